// Files for tests: a fresh folder that goes away with the test, and whole-file
// reads and writes.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qx::testing_files {

class TempDir {
 public:
  // `suffix` ends the folder's name (a test may put other scripts into it).
  explicit TempDir(const std::filesystem::path& suffix = {}) {
    static std::atomic<int> n{0};
    std::filesystem::path name = "qx-test-" + std::to_string(n++) + "-" +
                                 std::to_string(reinterpret_cast<uintptr_t>(this));
    name += suffix;
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void Put(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

}  // namespace qx::testing_files
