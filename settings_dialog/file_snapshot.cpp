#include "settings_dialog/file_snapshot.h"

#include <fstream>
#include <iterator>

namespace qx {

FileSnapshot TakeFileSnapshot(const std::filesystem::path& path) {
  FileSnapshot snap;
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (ec || status.type() == std::filesystem::file_type::not_found) {
    snap.state = ec && ec != std::errc::no_such_file_or_directory
                     ? FileSnapshot::State::kOther
                     : FileSnapshot::State::kMissing;
    return snap;
  }
  if (status.type() != std::filesystem::file_type::regular) {
    snap.state = FileSnapshot::State::kOther;
    return snap;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    snap.state = FileSnapshot::State::kOther;
    return snap;
  }
  snap.bytes.assign(std::istreambuf_iterator<char>(in),
                    std::istreambuf_iterator<char>());
  snap.state = in.bad() ? FileSnapshot::State::kOther
                        : FileSnapshot::State::kRegular;
  return snap;
}

bool RestoreFileSnapshot(const std::filesystem::path& path,
                         const FileSnapshot& snapshot) {
  std::error_code ec;
  switch (snapshot.state) {
    case FileSnapshot::State::kOther:
      return false;
    case FileSnapshot::State::kMissing: {
      const auto status = std::filesystem::symlink_status(path, ec);
      if (status.type() == std::filesystem::file_type::not_found) return true;
      if (status.type() != std::filesystem::file_type::regular) return false;
      return std::filesystem::remove(path, ec) && !ec;
    }
    case FileSnapshot::State::kRegular: {
      const auto now = TakeFileSnapshot(path);
      if (now.state == FileSnapshot::State::kRegular &&
          now.bytes == snapshot.bytes) {
        return true;
      }
      if (now.state == FileSnapshot::State::kOther) return false;
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(snapshot.bytes.data(),
                static_cast<std::streamsize>(snapshot.bytes.size()));
      return static_cast<bool>(out.flush());
    }
  }
  return false;
}

}  // namespace qx
