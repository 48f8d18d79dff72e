// A screenshot in binary PPM (P6, 8 bits a channel), as the Linux scenarios'
// screen grabbers write them, read for comparison with the form's frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "common/image.h"

namespace qx::test {

struct Ppm {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  Pixel At(int x, int y) const {
    const uint8_t* p =
        &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
    return Rgb(p[0], p[1], p[2]);
  }
};

// False when the file is missing, not a P6 of maximum 255, or cut short.
inline bool ReadPpm(const char* path, Ppm& out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> out.width >> out.height >> maxval;
  if (!in || magic != "P6" || maxval != 255 || out.width < 0 || out.height < 0) return false;
  in.get();
  out.rgb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3);
  in.read(reinterpret_cast<char*>(out.rgb.data()), static_cast<std::streamsize>(out.rgb.size()));
  return static_cast<bool>(in);
}

}  // namespace qx::test
