// The encodings a settings file is saved in. The program writes files
// without a byte-order mark, whose bytes are read as they are (keys in
// Shift-JIS); a user who edits the file may save it as UTF-16LE with a mark
// (Notepad's "Unicode") or as UTF-8 with a mark, which the system's own
// profile functions read as well. The reader works on one text form: the
// bytes of an unmarked file, the UTF-8 text of a marked one; a save encodes
// that text back the way the file came.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qx {

enum class TextEncoding {
  kBytes,    // no byte-order mark: the bytes as they are
  kUtf8,     // EF BB BF, then UTF-8
  kUtf16Le,  // FF FE, then UTF-16 little-endian
};

struct SettingsText {
  TextEncoding encoding = TextEncoding::kBytes;
  // The file's bytes (kBytes), or its text in UTF-8 without the mark. A
  // UTF-16 code unit that is half of no pair becomes the three bytes UTF-8
  // would give its value, so that such a file still keeps every unit.
  std::string text;
  friend bool operator==(const SettingsText&, const SettingsText&) = default;
};

// The text of a file's bytes; nullopt for a file this reader cannot decode,
// which must then be neither read nor written: one marked as UTF-16
// big-endian (FE FF) or UTF-32 (FF FE 00 00, 00 00 FE FF), a UTF-16LE file
// that ends in half a code unit, or one holding a NUL byte without the
// UTF-16LE mark.
std::optional<SettingsText> DecodeSettingsText(std::string_view bytes);

// The bytes of a file holding `text`, its byte-order mark first. A file's
// decoded text encodes to exactly the file's bytes. A UTF-8 file keeps the
// text's bytes as they are; for a UTF-16 file, bytes that are no UTF-8
// (which decoding never gives) become U+FFFD.
std::string EncodeSettingsText(const SettingsText& text);

}  // namespace qx
