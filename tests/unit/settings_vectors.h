// Settings files and the values they load to, shared by the tests of the
// portable profile reader and of the system's profile functions, so both are
// held to the same answers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qx::testing_vectors {

struct SettingsVector {
  const char* name;
  std::string content;  // file bytes; "<none>" stands for no file at all
  int16_t ballCount;    // after LoadSettings from fresh values (all zero)
  int16_t interval;
};

inline const std::string kBalls = "\x8B\x85\x82\xCC\x90\x94";
inline const std::string kInterval = "\xB2\xDD\xC0\xB0\xCA\xDE\xD9";

inline std::vector<SettingsVector> SettingsVectors() {
  const std::string head = "[Section]\r\n";
  return {
      {"NoFile", "<none>", 60, 300},
      {"EmptyFile", "", 60, 300},
      {"OnlyBallCount", head + kBalls + "=35\r\n", 35, 300},
      {"AsTheDialogWritesIt", head + kBalls + "= 60\r\n" + kInterval + "= 300\r\n", 60, 300},
      {"Fraction", head + kBalls + "=60.7\r\n" + kInterval + "=12.9\r\n", 60, 12},
      {"NegativeFraction", head + kBalls + "=-2.5\r\n" + kInterval + "=-3\r\n", -3, -3},
      {"NotANumber", head + kBalls + "=abc\r\n" + kInterval + "=40000\r\n", 0, 0},
      {"OutsideTheDialogsRanges", head + kBalls + "=150\r\n" + kInterval + "=1000\r\n", 150, 1000},
      {"SixteenBitEdges", head + kBalls + "=32767\r\n" + kInterval + "=-32768\r\n", 32767, -32768},
      {"JustPastSixteenBits", head + kBalls + "=32768\r\n" + kInterval + "=-32769\r\n", 0, 0},
      {"EmptyValues", head + kBalls + "=\r\n" + kInterval + "=   \r\n", 60, 300},
      {"OtherSectionOnly", "[Other]\r\n" + kBalls + "=35\r\n", 60, 300},
      {"UnixLineEnds", "[Section]\n" + kBalls + "=42\n" + kInterval + "=420\n", 42, 420},
      {"SectionNameInOtherCase", "[SECTION]\r\n" + kBalls + "=21\r\n", 21, 300},
      {"BlanksAroundKey", head + "  " + kBalls + "  =  77  \r\n", 77, 300},
      {"DuplicateKeyFirstWins", head + kBalls + "=11\r\n" + kBalls + "=22\r\n", 11, 300},
      {"BinaryNoise", std::string("\x00\xFF\x01[Sec\x00tion]\r\n", 15) + kBalls + "=9\r\n", 60, 300},
      {"CommentedOut", head + ";" + kBalls + "=35\r\n", 60, 300},
      {"PlusSignAndExponent", head + kBalls + "=+5\r\n" + kInterval + "=1e2\r\n", 5, 100},
  };
}

// The bytes of UTF-16LE text (no byte-order mark).
inline std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

inline const std::string kUtf16Mark = "\xFF\xFE";
inline const std::string kUtf8Mark = "\xEF\xBB\xBF";

// A settings file in each encoding people save it in: what it loads to, and
// its bytes after a save of 42 balls and an interval of 250, written as the
// dialog writes them (" 42", " 250").
struct EncodingVector {
  const char* name;
  std::string file;
  int16_t ballCount;
  int16_t interval;
  std::string saved;  // empty: the file cannot be decoded, stays as it is and
                      // the save goes to the user's own file
  bool systemReads = false;  // the system's wide profile functions read it
};

inline std::vector<EncodingVector> EncodingVectors() {
  const std::string sjis = "[Section]\r\n" + kBalls + "=35\r\n" + kInterval + "=420\r\n";
  std::string undecodableNul = sjis;
  undecodableNul[3] = '\0';
  auto bigEndian = [](std::string units) {
    for (size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
    return units;
  };
  return {
      // Notepad's "Unicode": keys in UTF-16, every other line kept, a
      // character outside the basic plane and an unpaired surrogate included.
      {"Utf16LeWithMark",
       kUtf16Mark + Utf16Le(u"; \U0001F600 メモ\r\n[Section]\r\n球の数=35\r\nｲﾝﾀｰﾊﾞﾙ=420\r\n"
                            u"[Other]\r\nk=\xD800v\r\n"),
       35, 420,
       kUtf16Mark + Utf16Le(u"; \U0001F600 メモ\r\n[Section]\r\n球の数= 42\r\nｲﾝﾀｰﾊﾞﾙ= 250\r\n"
                            u"[Other]\r\nk=\xD800v\r\n"),
       true},
      // Only one key there: the other is added in the file's encoding.
      {"Utf16LeOneKey", kUtf16Mark + Utf16Le(u"[Section]\r\nｲﾝﾀｰﾊﾞﾙ=150"), 60, 150,
       kUtf16Mark + Utf16Le(u"[Section]\r\nｲﾝﾀｰﾊﾞﾙ= 250\r\n球の数= 42\r\n"), true},
      {"Utf8WithMark", kUtf8Mark + "[Section]\r\n球の数=33\r\n; 設定\r\n", 33, 300,
       kUtf8Mark + "[Section]\r\n球の数= 42\r\n; 設定\r\nｲﾝﾀｰﾊﾞﾙ= 250\r\n", true},
      // In a Unicode file the Shift-JIS bytes are no key.
      {"Utf8WithShiftJisBytes", kUtf8Mark + sjis, 60, 300,
       kUtf8Mark + sjis + "球の数= 42\r\nｲﾝﾀｰﾊﾞﾙ= 250\r\n"},
      {"ShiftJisWithoutMark", sjis, 35, 420,
       "[Section]\r\n" + kBalls + "= 42\r\n" + kInterval + "= 250\r\n"},
      {"Utf16BigEndian", "\xFE\xFF" + bigEndian(Utf16Le(u"[Section]\r\n球の数=35\r\n")), 60, 300,
       ""},
      {"Utf32LittleEndian", kUtf16Mark + std::string(2, '\0') + Utf16Le(u"[Section]\r\n"), 60, 300,
       ""},
      {"Utf32BigEndian", std::string(2, '\0') + "\xFE\xFF" + sjis, 60, 300, ""},
      {"NulWithoutUtf16Mark", undecodableNul, 60, 300, ""},
      {"NulInUtf8", kUtf8Mark + undecodableNul, 60, 300, ""},
      {"Utf16LeEndingInHalfAUnit", kUtf16Mark + Utf16Le(u"[Section]\r\n球の数=35\r\n") + "\x0A", 60,
       300, ""},
  };
}

}  // namespace qx::testing_vectors
