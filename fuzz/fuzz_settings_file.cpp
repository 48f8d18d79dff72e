// Any settings file, in any encoding: loading the settings and saving them
// back must never crash; a file the reader decodes must encode to its own
// bytes, and a save keeps its encoding and every other key; a file it
// cannot decode is never written, and the save goes to the user's file;
// what was saved must read back.
//
// The first byte picks how the rest becomes the file, so that every decoder
// is reached often: as it is, after a UTF-8 or a UTF-16LE mark, or each byte
// widened to a UTF-16 unit after the UTF-16LE mark (INI text in UTF-16).
#include <cstddef>
#include <cstdint>
#include <string>

#include "startup/settings.h"
#include "tests/unit/memory_files.h"

namespace {

std::string FileFrom(const uint8_t* data, size_t size) {
  if (size == 0) return {};
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 4) {
    case 1:
      return "\xEF\xBB\xBF" + rest;
    case 2:
      return "\xFF\xFE" + rest;
    case 3: {
      std::string wide = "\xFF\xFE";
      for (char c : rest) wide += {c, '\0'};
      return wide;
    }
  }
  return rest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = FileFrom(data, size);
  const auto decoded = qx::DecodeSettingsText(bytes);
  if (decoded && qx::EncodeSettingsText(*decoded) != bytes) __builtin_trap();

  qx::testing_files::MemoryFiles files("user");
  files.folders.insert("folder");
  const auto program = qx::IniPathFor("folder");
  files.files[program] = bytes;
  qx::ModuleValues values;
  qx::LoadSettings(values, files, "folder");
  const auto result = qx::SaveSettings(files, values, " 42", "-7");
  if (!result.saved) __builtin_trap();
  qx::ModuleValues again;
  qx::LoadSettings(again, files, "folder");
  if (again.BallCount != 42 || again.Interval != -7) __builtin_trap();

  if (!decoded) {
    if (files.files[program] != bytes || result.file != values.UserIniPath) __builtin_trap();
    return 0;
  }
  const auto saved = qx::DecodeSettingsText(files.files[program]);
  if (!saved || saved->encoding != decoded->encoding) __builtin_trap();
  if (qx::IniLookup(saved->text, "Other", "k") != qx::IniLookup(decoded->text, "Other", "k")) {
    __builtin_trap();
  }
  return 0;
}
