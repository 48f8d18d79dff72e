#include "tools/bmp_file.h"

#include <cstdint>
#include <fstream>
#include <sstream>

#include "tools/little_endian.h"

namespace qx::tools {

std::string EncodeBmp24(const Image& img) {
  const uint32_t w = static_cast<uint32_t>(img.Width());
  const uint32_t h = static_cast<uint32_t>(img.Height());
  const uint32_t stride = (w * 3 + 3) & ~3u;
  const uint32_t dataSize = stride * h;
  std::string out;
  out += "BM";
  Put32(out, 14 + 40 + dataSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  Put32(out, 40);
  Put32(out, w);
  Put32(out, h);  // positive: bottom-up rows
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, dataSize);
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (uint32_t row = 0; row < h; ++row) {
    const int y = static_cast<int>(h - 1 - row);
    for (uint32_t x = 0; x < w; ++x) {
      const Pixel p = img.At(static_cast<int>(x), y);
      out += static_cast<char>(BlueOf(p));
      out += static_cast<char>(GreenOf(p));
      out += static_cast<char>(RedOf(p));
    }
    for (uint32_t pad = w * 3; pad < stride; ++pad) out += '\0';
  }
  return out;
}

std::optional<Image> DecodeBmp(const std::string& b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const uint32_t offset = Get32(b, 10);
  const int32_t w = static_cast<int32_t>(Get32(b, 18));
  const int32_t rawH = static_cast<int32_t>(Get32(b, 22));
  const uint32_t bpp = Get16(b, 28);
  const uint32_t compression = Get32(b, 30);
  if (w <= 0 || rawH == 0 || rawH < -65536 || rawH > 65536 || w > 65536 ||
      compression != 0 || (bpp != 24 && bpp != 32)) {
    return std::nullopt;
  }
  const bool topDown = rawH < 0;
  const int h = topDown ? -rawH : rawH;
  const uint64_t stride = (static_cast<uint64_t>(w) * (bpp / 8) + 3) & ~3ull;
  if (offset + stride * static_cast<uint64_t>(h) > b.size()) return std::nullopt;
  Image img(w, h);
  for (int row = 0; row < h; ++row) {
    const int y = topDown ? row : h - 1 - row;
    const size_t base = offset + stride * static_cast<uint64_t>(row);
    for (int x = 0; x < w; ++x) {
      const size_t at = base + static_cast<size_t>(x) * (bpp / 8);
      img.At(x, y) = Rgb(static_cast<uint8_t>(b[at + 2]),
                         static_cast<uint8_t>(b[at + 1]),
                         static_cast<uint8_t>(b[at]));
    }
  }
  return img;
}

bool WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace qx::tools
