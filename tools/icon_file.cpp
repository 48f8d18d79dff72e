#include "tools/icon_file.h"

#include <map>

#include "tools/little_endian.h"

namespace qx::tools {

namespace {

// The header of an icon or cursor image: the height counts the colour image
// and the mask below it together.
void PutInfoHeader(std::string& out, int w, int h, int bits,
                   uint32_t imageBytes, uint32_t colours) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(w));
  Put32(out, static_cast<uint32_t>(2 * h));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);
  Put32(out, imageBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, colours);
  Put32(out, 0);
}

uint32_t MaskStride(int w) { return ((static_cast<uint32_t>(w) + 31) / 32) * 4; }

}  // namespace

std::optional<std::string> EncodeIco8(const Image& img) {
  const int w = img.Width(), h = img.Height();
  if (w != h || w <= 0 || w > 256) return std::nullopt;
  // Palette in order of first appearance, top row first.
  std::map<Pixel, uint8_t> index;
  std::vector<Pixel> palette;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Pixel p = img.At(x, y) & 0xFFFFFFu;
      if (index.count(p)) continue;
      if (palette.size() == 256) return std::nullopt;
      index[p] = static_cast<uint8_t>(palette.size());
      palette.push_back(p);
    }
  }
  palette.resize(256, 0);
  const uint32_t stride = (static_cast<uint32_t>(w) + 3) & ~3u;
  const uint32_t maskStride = MaskStride(w);
  const uint32_t imageBytes = (stride + maskStride) * static_cast<uint32_t>(h);
  const uint32_t resBytes = 40 + 256 * 4 + imageBytes;

  std::string out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  Put8(out, w == 256 ? 0 : static_cast<uint32_t>(w));
  Put8(out, h == 256 ? 0 : static_cast<uint32_t>(h));
  Put8(out, 0);  // 256 colours
  Put8(out, 0);
  Put16(out, 1);  // planes
  Put16(out, 8);  // bits per pixel
  Put32(out, resBytes);
  Put32(out, 6 + 16);
  PutInfoHeader(out, w, h, 8, imageBytes, 256);
  for (Pixel p : palette) {
    Put8(out, static_cast<uint32_t>(BlueOf(p)));
    Put8(out, static_cast<uint32_t>(GreenOf(p)));
    Put8(out, static_cast<uint32_t>(RedOf(p)));
    Put8(out, 0);
  }
  for (int row = h - 1; row >= 0; --row) {
    for (int x = 0; x < w; ++x) Put8(out, index[img.At(x, row) & 0xFFFFFFu]);
    for (uint32_t pad = static_cast<uint32_t>(w); pad < stride; ++pad) Put8(out, 0);
  }
  out.append(static_cast<size_t>(maskStride) * static_cast<size_t>(h), '\0');
  return out;
}

std::string EncodeCur1(const MonoCursor& c) {
  const uint32_t stride = MaskStride(c.width);
  const uint32_t imageBytes = 2 * stride * static_cast<uint32_t>(c.height);
  const uint32_t resBytes = 40 + 2 * 4 + imageBytes;
  std::string out;
  Put16(out, 0);
  Put16(out, 2);  // cursor
  Put16(out, 1);
  Put8(out, static_cast<uint32_t>(c.width));
  Put8(out, static_cast<uint32_t>(c.height));
  Put8(out, 2);  // two colours
  Put8(out, 0);
  Put16(out, static_cast<uint32_t>(c.hotX));
  Put16(out, static_cast<uint32_t>(c.hotY));
  Put32(out, resBytes);
  Put32(out, 6 + 16);
  PutInfoHeader(out, c.width, c.height, 1, imageBytes, 2);
  Put32(out, 0x00000000);  // index 0: black
  Put32(out, 0x00FFFFFF);  // index 1: white
  // Colour plane (white = 1), then the mask (clear = 1), rows bottom-up.
  for (int plane = 0; plane < 2; ++plane) {
    for (int y = c.height - 1; y >= 0; --y) {
      std::string row(stride, '\0');
      for (int x = 0; x < c.width; ++x) {
        const CursorInk ink = c.At(x, y);
        const bool bit = plane == 0 ? ink == CursorInk::kWhite
                                    : ink == CursorInk::kClear;
        if (bit) row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
      }
      out += row;
    }
  }
  return out;
}

std::optional<MonoCursor> DecodeCur1(const std::string& b) {
  if (b.size() < 6 + 16 + 40 + 8 || Get16(b, 0) != 0 || Get16(b, 2) != 2 ||
      Get16(b, 4) != 1) {
    return std::nullopt;
  }
  MonoCursor c;
  c.width = static_cast<uint8_t>(b[6]);
  c.height = static_cast<uint8_t>(b[7]);
  c.hotX = static_cast<int>(Get16(b, 10));
  c.hotY = static_cast<int>(Get16(b, 12));
  const size_t at = Get32(b, 18);
  if (c.width == 0 || c.height == 0 || at + 40 + 8 > b.size() ||
      Get16(b, at + 14) != 1) {
    return std::nullopt;
  }
  const uint32_t stride = MaskStride(c.width);
  const size_t colour = at + 40 + 8;
  const size_t mask = colour + stride * static_cast<size_t>(c.height);
  if (mask + stride * static_cast<size_t>(c.height) > b.size()) return std::nullopt;
  c.ink.resize(static_cast<size_t>(c.width) * static_cast<size_t>(c.height));
  for (int y = 0; y < c.height; ++y) {
    const size_t row = static_cast<size_t>(c.height - 1 - y) * stride;
    for (int x = 0; x < c.width; ++x) {
      const auto bit = [&](size_t base) {
        return (static_cast<uint8_t>(b[base + row + static_cast<size_t>(x / 8)]) &
                (0x80 >> (x % 8))) != 0;
      };
      c.ink[static_cast<size_t>(y) * static_cast<size_t>(c.width) +
            static_cast<size_t>(x)] = bit(mask)     ? CursorInk::kClear
                                      : bit(colour) ? CursorInk::kWhite
                                                    : CursorInk::kBlack;
    }
  }
  return c;
}

}  // namespace qx::tools
