// File systems for the settings file's tests. MemoryFiles keeps files and
// folders in memory: folders that may not be written, a replace that fails
// after the temporary file was written, a code page that re-encodes keys, and
// a log of what was done. ForwardingFiles passes everything on to a real file
// system but has a user's data folder of the test's own and a replace that
// can be made to fail.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "startup/settings.h"

namespace qx::testing_files {

class MemoryFiles final : public SettingsFiles {
 public:
  using Path = std::filesystem::path;

  std::map<Path, std::string> files;
  std::set<Path> folders;          // folders that exist (files go into them)
  std::set<Path> readOnlyFolders;  // exist, but nothing may be written there
  Path userData;                   // empty: the system has none
  bool failReplace = false;        // Replace fails once the temp is written
  std::function<std::string(std::string_view)> codePage;  // identity if unset
  std::vector<std::string> log;
  std::vector<std::string>* mirror = nullptr;  // a second log to write to

  explicit MemoryFiles(Path user = {}) : userData(std::move(user)) {
    if (!userData.empty()) folders.insert(userData);
  }

  Content Read(const Path& file) override {
    if (auto it = files.find(file); it != files.end()) {
      return {ReadStatus::kRead, it->second};
    }
    if (folders.count(file)) return {ReadStatus::kUnreadable, {}};
    return {};
  }
  bool IsFile(const Path& file) override { return files.count(file) > 0; }
  std::optional<Path> WriteBeside(const Path& file,
                                  std::string_view bytes) override {
    Note("WriteBeside " + file.generic_string());
    if (!Writable(file.parent_path())) return std::nullopt;
    Path temp = file;
    temp += ".tmp";
    files[temp] = std::string(bytes);
    return temp;
  }
  bool Replace(const Path& temp, const Path& file) override {
    Note("Replace " + file.generic_string());
    if (failReplace || folders.count(file)) return false;
    files[file] = files[temp];
    files.erase(temp);
    return true;
  }
  void Remove(const Path& file) override {
    Note("Remove " + file.generic_string());
    files.erase(file);
  }
  bool CreateFolders(const Path& folder) override {
    Note("CreateFolders " + folder.generic_string());
    if (folders.count(folder)) return true;
    if (!Writable(folder.parent_path())) return false;
    folders.insert(folder);
    return true;
  }
  Path UserDataFolder() override { return userData; }
  std::string InSystemCodePage(std::string_view key) override {
    return codePage ? codePage(key) : std::string(key);
  }

 private:
  void Note(std::string line) {
    if (mirror) mirror->push_back(line);
    log.push_back(std::move(line));
  }
  bool Writable(const Path& folder) const {
    return folders.count(folder) && !readOnlyFolders.count(folder);
  }
};

class ForwardingFiles final : public SettingsFiles {
 public:
  using Path = std::filesystem::path;

  explicit ForwardingFiles(SettingsFiles& real, Path userData = {})
      : real_(real), userData_(std::move(userData)) {}
  bool failReplace = false;
  int replaces = 0;
  std::optional<Path> temp;  // the last temporary file
  bool tempWritten = false;  // it held exactly the bytes asked for

  Content Read(const Path& f) override { return real_.Read(f); }
  bool IsFile(const Path& f) override { return real_.IsFile(f); }
  std::optional<Path> WriteBeside(const Path& f, std::string_view b) override {
    temp = real_.WriteBeside(f, b);
    tempWritten = temp && real_.Read(*temp).bytes == b;
    return temp;
  }
  bool Replace(const Path& t, const Path& f) override {
    ++replaces;
    return !failReplace && real_.Replace(t, f);
  }
  void Remove(const Path& f) override { real_.Remove(f); }
  bool CreateFolders(const Path& f) override { return real_.CreateFolders(f); }
  Path UserDataFolder() override { return userData_; }
  std::string InSystemCodePage(std::string_view k) override {
    return real_.InSystemCodePage(k);
  }

 private:
  SettingsFiles& real_;
  Path userData_;
};

}  // namespace qx::testing_files
