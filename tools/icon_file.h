// Writing Windows icon (.ico) and cursor (.cur) files, the forms in which the
// program's icon and hand cursor are committed and embedded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/image.h"

namespace qx::tools {

// An icon of up to 256 colours: one 8-bit image with its palette and an
// all-opaque mask. nullopt when the image holds more than 256 colours or is
// not square and at most 256 pixels wide.
std::optional<std::string> EncodeIco8(const Image& img);

// A two-colour cursor: each pixel transparent, black or white.
enum class CursorInk : uint8_t { kClear, kBlack, kWhite };
struct MonoCursor {
  int width = 32;
  int height = 32;
  int hotX = 0;
  int hotY = 0;
  std::vector<CursorInk> ink;  // row by row from the top
  CursorInk At(int x, int y) const {
    return ink[static_cast<size_t>(y) * static_cast<size_t>(width) +
               static_cast<size_t>(x)];
  }
};
std::string EncodeCur1(const MonoCursor& cursor);
// Reads back what EncodeCur1 writes (one 1-bit image); nullopt otherwise.
std::optional<MonoCursor> DecodeCur1(const std::string& bytes);

}  // namespace qx::tools
