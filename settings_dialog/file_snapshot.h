// A copy of a file taken before it is changed, so that a change that fails
// half way can be taken back and the file is left exactly as it was.
#pragma once

#include <filesystem>
#include <string>

namespace qx {

struct FileSnapshot {
  enum class State {
    kMissing,  // nothing at the path
    kRegular,  // a file, read in full into `bytes`
    kOther,    // a folder, or a file that could not be read
  };
  State state = State::kMissing;
  std::string bytes;
};

FileSnapshot TakeFileSnapshot(const std::filesystem::path& path);

// Puts back what the snapshot saw: the old bytes of a file, or no file where
// there was none. A path that held something else is not touched. Returns
// whether the path now holds what the snapshot saw.
bool RestoreFileSnapshot(const std::filesystem::path& path,
                         const FileSnapshot& snapshot);

}  // namespace qx
