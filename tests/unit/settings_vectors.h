// Settings files and the values they load to, shared by the tests of the
// portable profile reader and of the system's profile functions, so both are
// held to the same answers.
#pragma once

#include <cstdint>
#include <string>
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

}  // namespace qx::testing_vectors
