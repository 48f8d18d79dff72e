// Any settings file: loading the settings and saving them back must never
// crash, what was saved must read back, and the save must keep every other
// key of the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "startup/settings.h"
#include "tests/unit/memory_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  qx::testing_files::MemoryFiles files;
  files.folders.insert("folder");
  files.files[qx::IniPathFor("folder")] = text;
  qx::ModuleValues values;
  qx::LoadSettings(values, files, "folder");
  const std::string other = qx::IniLookup(text, "Other", "k");
  if (!qx::SaveSettings(files, values, " 42", "-7").saved) __builtin_trap();
  qx::ModuleValues again;
  qx::LoadSettings(again, files, "folder");
  if (again.BallCount != 42 || again.Interval != -7) __builtin_trap();
  if (qx::IniLookup(files.files[qx::IniPathFor("folder")], "Other", "k") != other) {
    __builtin_trap();
  }
  return 0;
}
