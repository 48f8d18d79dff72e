#include "settings_dialog/file_snapshot.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace qx {
namespace {

namespace fs = std::filesystem;

class FileSnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qx_snapshot_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    file_ = dir_ / "Quendelrix.ini";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void Put(const std::string& bytes) {
    std::ofstream(file_, std::ios::binary) << bytes;
  }
  std::string Get() {
    std::ifstream in(file_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path dir_, file_;
};

TEST_F(FileSnapshotTest, PutsBackTheOldBytes) {
  Put("[Section]\r\nold=1\r\n");
  const FileSnapshot snap = TakeFileSnapshot(file_);
  EXPECT_EQ(snap.state, FileSnapshot::State::kRegular);
  Put("[Section]\r\nhalf written");
  EXPECT_TRUE(RestoreFileSnapshot(file_, snap));
  EXPECT_EQ(Get(), "[Section]\r\nold=1\r\n");
}

TEST_F(FileSnapshotTest, RemovesAFileThatWasNotThere) {
  const FileSnapshot snap = TakeFileSnapshot(file_);
  EXPECT_EQ(snap.state, FileSnapshot::State::kMissing);
  Put("[Section]\r\n");
  EXPECT_TRUE(RestoreFileSnapshot(file_, snap));
  EXPECT_FALSE(fs::exists(file_));
  EXPECT_TRUE(RestoreFileSnapshot(file_, snap));  // still nothing there
}

TEST_F(FileSnapshotTest, LeavesAFolderInPlace) {
  fs::create_directory(file_);
  const FileSnapshot snap = TakeFileSnapshot(file_);
  EXPECT_EQ(snap.state, FileSnapshot::State::kOther);
  EXPECT_FALSE(RestoreFileSnapshot(file_, snap));
  EXPECT_TRUE(fs::is_directory(file_));
  // A snapshot of "nothing" never removes a folder that appeared since.
  EXPECT_FALSE(RestoreFileSnapshot(file_, FileSnapshot{}));
  EXPECT_TRUE(fs::is_directory(file_));
}

}  // namespace
}  // namespace qx
