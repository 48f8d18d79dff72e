#include "tools/dialog_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/bmp_file.h"

namespace qx::tools {

namespace {

struct Colour {
  double r = 0, g = 0, b = 0;
};
Colour operator*(Colour c, double k) { return {c.r * k, c.g * k, c.b * k}; }
Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour Mix(Colour a, Colour b, double t) { return a * (1 - t) + b * t; }
int Channel(double v) {
  const double c = std::floor(v + 0.5);
  return c < 0 ? 0 : c > 255 ? 255 : static_cast<int>(c);
}
Pixel ToPixel(Colour c) { return Rgb(Channel(c.r), Channel(c.g), Channel(c.b)); }
double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
double Smooth(double t) { return t * t * (3 - 2 * t); }
double SmoothStep(double a, double b, double v) { return Smooth(Clamp01((v - a) / (b - a))); }

// Integer hash to [0, 1).
double Hash(int64_t x, int64_t y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^
               static_cast<uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return static_cast<double>(h & 0xFFFFFFu) / 16777216.0;
}

// Smoothly interpolated value noise in [0, 1).
double Noise(double x, double y, uint32_t seed) {
  const double fx = std::floor(x), fy = std::floor(y);
  const auto ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
  const double tx = Smooth(x - fx), ty = Smooth(y - fy);
  const double a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
  const double c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
  return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

// Several octaves of noise, in [0, 1).
double Fbm(double x, double y, uint32_t seed, int octaves) {
  double sum = 0, amp = 0.5, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += Noise(x, y, seed + static_cast<uint32_t>(o) * 101u) * amp;
    norm += amp;
    x *= 2.03;
    y *= 2.03;
    amp *= 0.5;
  }
  return sum / norm;
}

constexpr int kPhotoW = 320, kPhotoH = 200;
constexpr double kHorizon = 74.0;
constexpr double kVanishX = 138.0;

const Colour kFlowers[] = {
    {226, 28, 42},   {250, 206, 24},  {242, 104, 158}, {246, 240, 232},
    {142, 52, 168},  {248, 124, 22},  {196, 14, 52},   {255, 232, 120},
};
const Colour kLeaf{58, 104, 38}, kSoil{104, 82, 54}, kHaze{196, 214, 226};

Colour Sky(double x, double y) {
  const double t = Clamp01(y / kHorizon);
  Colour c = Mix(Colour{52, 104, 196}, Colour{178, 208, 236}, t * t);
  // Clouds: drifting heaps, thicker in the upper middle of the sky.
  const double n = Fbm(x / 46.0, y / 18.0, 7, 5);
  const double cover = SmoothStep(0.50, 0.72, n) * (1 - t * 0.55);
  const double shade = 0.86 + 0.14 * SmoothStep(0.5, 0.8, Fbm(x / 20.0, y / 9.0, 8, 3));
  return Mix(c, Colour{250, 250, 252} * shade, cover);
}

// Height of the distant wooded hills above the horizon at column x.
double HillTop(double x) {
  return kHorizon - 7.0 - 9.0 * Fbm(x / 70.0, 0.5, 21, 3);
}
double TreeTop(double x) {
  return kHorizon - 1.5 - 6.0 * SmoothStep(0.45, 0.8, Fbm(x / 9.0, 3.5, 33, 3));
}

Colour Distance(double x, double y) {
  if (y >= TreeTop(x)) {
    const double n = Fbm(x / 3.0, y / 2.0, 41, 2);
    return Mix(Colour{38, 70, 40}, Colour{70, 108, 56}, n);
  }
  if (y >= HillTop(x)) {
    const double n = Fbm(x / 10.0, y / 5.0, 43, 3);
    return Mix(Colour{92, 126, 132}, Colour{120, 150, 150}, n);
  }
  return Sky(x, y);
}

// A red-roofed farmhouse on the horizon, left of the middle.
bool House(double x, double y, Colour& out) {
  const double left = 54, right = 70, wallTop = kHorizon - 7, base = kHorizon + 0.5;
  if (x >= left && x < right && y >= wallTop && y < base) {
    const bool window = y > wallTop + 2 && y < wallTop + 4.5 &&
                        (std::floor(x) == 57 || std::floor(x) == 66);
    out = window ? Colour{60, 52, 48} : Colour{232, 224, 206};
    return true;
  }
  const double roofBottom = wallTop, roofTop = wallTop - 5;
  if (y >= roofTop && y < roofBottom) {
    const double inset = (roofBottom - y) * 1.1;
    if (x >= left - 1 + inset && x < right + 1 - inset) {
      out = Colour{168, 48, 36} * (0.85 + 0.15 * ((roofBottom - y) / 5.0));
      return true;
    }
  }
  return false;
}

Colour Field(double x, double y) {
  const double depth = y - kHorizon + 0.35;  // grows toward the viewer
  const double across = (x - kVanishX) / depth;
  const double along = 60.0 / depth;         // distance into the picture
  const double stripe = across * 2.6 + 0.37;
  const double index = std::floor(stripe);
  const double frac = stripe - index;
  const int which = static_cast<int>(
      (static_cast<int64_t>(index) % 8 + 8) % 8);
  // Rows of flowers with a furrow of leaves and earth between them.
  const double edge = std::min(frac, 1 - frac);
  const double furrow = 1 - SmoothStep(0.05, 0.14, edge);
  // Blossoms: noise on the ground plane, finer in the distance.
  const double blossom = Fbm(across * 30.0, along * 40.0, 51 + static_cast<uint32_t>(which), 3);
  const double leafy = SmoothStep(0.58, 0.32, blossom);
  Colour flower = kFlowers[which] * (0.74 + 0.42 * blossom);
  flower = Mix(flower, kLeaf, leafy * 0.55);
  const double soilNoise = Fbm(across * 20.0, along * 6.0, 61, 2);
  const Colour ground = Mix(kLeaf, kSoil, soilNoise);
  Colour c = Mix(flower, ground, furrow);
  // Haze toward the horizon.
  const double haze = 1.0 / (1.0 + depth * 0.09);
  return Mix(c, kHaze, haze * 0.75);
}

Colour PhotoSample(double x, double y) {
  Colour house;
  if (House(x, y, house)) return house;
  if (y < kHorizon) return Distance(x, y);
  return Field(x, y);
}

}  // namespace

Image MakeDialogPhoto() {
  Image img(kPhotoW, kPhotoH);
  for (int y = 0; y < kPhotoH; ++y) {
    // Near the horizon the rows of flowers grow finer than a pixel: more
    // samples there blend them into bands instead of noise.
    const int kSub = y >= kHorizon - 2 && y < kHorizon + 30 ? 10 : 3;
    for (int x = 0; x < kPhotoW; ++x) {
      Colour sum;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          sum = sum + PhotoSample(x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub);
        }
      }
      // A slight darkening toward the corners, as a lens gives.
      const double dx = (x - 160) / 160.0, dy = (y - 100) / 100.0;
      const double vignette = 1.0 - 0.10 * (dx * dx + dy * dy);
      img.At(x, y) = ToPixel(sum * (vignette / (kSub * kSub)));
    }
  }
  return img;
}

namespace {

Colour TitleRow(int y) {
  // Bright edge on top, dark navy body with ridges on every other row.
  if (y == 0) return {96, 118, 196};
  if (y == 21) return {4, 6, 30};
  const double t = (y - 1) / 19.0;
  Colour c = Mix(Colour{40, 58, 142}, Colour{10, 16, 70}, t);
  if (y == 1 || y == 2) c = Mix(c, Colour{80, 100, 180}, y == 1 ? 0.6 : 0.3);
  return y % 2 == 0 ? c * 0.8 : c;
}

}  // namespace

Image MakeTitleBar() {
  Image img(500, 22);
  for (int y = 0; y < 22; ++y) {
    const Pixel p = ToPixel(TitleRow(y));
    for (int x = 0; x < 500; ++x) img.At(x, y) = p;
  }
  return img;
}

Image MakeButtonFace(bool pressed) {
  Image img(21, 20);
  // Brightness across the bar, top to bottom: a polished cylinder.
  const double profile[20] = {0.34, 0.55, 0.70, 0.80, 0.88, 0.94, 0.98, 1.00,
                              1.00, 1.00, 0.98, 0.95, 0.90, 0.84, 0.77, 0.70,
                              0.63, 0.55, 0.45, 0.30};
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 21; ++x) {
      const double end = (x == 0 || x == 20) ? 0.72 : (x == 1 || x == 19) ? 0.9 : 1.0;
      Colour c = Colour{244, 246, 250} * (profile[y] * end);
      if (pressed && y >= 14 && y <= 17) {
        const double band = (y == 14 || y == 17) ? 0.6 : 0.9;
        c = Mix(c, Colour{164, 222, 34} * (profile[y] + 0.25), band);
      }
      img.At(x, y) = ToPixel(c);
    }
  }
  return img;
}

Image MakeCloseBox(bool pressed) {
  const int w = pressed ? 16 : 15, h = 15;
  const double cx = pressed ? 8.0 : 7.5, cy = 7.5, radius = 6.9;
  const double dim = pressed ? 0.66 : 1.0;
  Image img(w, h);
  constexpr int kSub = 4;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Colour sum;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double px = x + (sx + 0.5) / kSub, py = y + (sy + 0.5) / kSub;
          const double dx = px - cx, dy = py - cy;
          const double d = std::sqrt(dx * dx + dy * dy);
          Colour c = TitleRow(4 + y);  // the bar it sits on
          if (d < radius) {
            // Lit from the upper left.
            const double hx = px - (cx - 2.2), hy = py - (cy - 2.6);
            const double light = Clamp01(1.0 - std::sqrt(hx * hx + hy * hy) / 9.0);
            c = Mix(Colour{34, 70, 170}, Colour{190, 214, 255}, light * light);
            if (d > radius - 1.2) c = Mix(c, Colour{12, 22, 74}, 0.75);
            // The X: two bars along the diagonals.
            const double a = std::fabs(dx - dy) / 1.41421356, b = std::fabs(dx + dy) / 1.41421356;
            const double reach = std::max(std::fabs(dx), std::fabs(dy));
            if ((a < 0.95 || b < 0.95) && reach < 3.6) c = Colour{14, 18, 48};
            c = c * dim;
          }
          sum = sum + c;
        }
      }
      img.At(x, y) = ToPixel(sum * (1.0 / (kSub * kSub)));
    }
  }
  return img;
}

Image MakeAppIcon() {
  struct Ball { double x, y, r; Colour c; };
  const Ball balls[] = {
      {9.5, 9.0, 6.5, {255, 60, 60}},   {22.5, 7.5, 5.0, {255, 220, 40}},
      {24.0, 20.5, 6.5, {60, 140, 255}}, {10.0, 23.0, 6.0, {70, 230, 90}},
      {17.5, 15.5, 3.5, {255, 120, 230}}, {4.5, 16.0, 2.5, {80, 240, 240}},
      {17.0, 28.5, 2.5, {255, 150, 40}},
  };
  constexpr int kLevels = 24;  // shades per ball: keeps the icon at 256 colours
  Image img(32, 32, 0);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      for (const Ball& b : balls) {
        const double dx = x + 0.5 - b.x, dy = y + 0.5 - b.y;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d >= b.r) continue;
        // Brightest at a highlight up and left of the centre.
        const double hx = dx + b.r * 0.35, hy = dy + b.r * 0.4;
        const double v = Clamp01(1.05 - std::sqrt(hx * hx + hy * hy) / (b.r * 1.25));
        const int level = static_cast<int>(std::floor(v * (kLevels - 1) + 0.5));
        const double t = static_cast<double>(level) / (kLevels - 1);
        // Dark rim -> full colour -> white highlight.
        const Colour c = t < 0.8 ? b.c * (0.25 + t * 0.9375)
                                 : Mix(b.c, Colour{255, 255, 255}, (t - 0.8) * 3.5);
        img.At(x, y) = ToPixel(c);
      }
    }
  }
  return img;
}

MonoCursor MakeHandCursor() {
  MonoCursor c;
  c.width = c.height = 32;
  c.hotX = 12;
  c.hotY = 10;
  // The hand's shape, filled white; its surroundings become the outline.
  auto inHand = [](int x, int y) {
    // Index finger pointing up, tip at (12..13, 10).
    if (x >= 11 && x <= 14 && y >= 11 && y <= 22) return true;
    if ((x == 12 || x == 13) && y == 10) return true;
    // Three folded fingers, each a little lower, separated by a line.
    if (x >= 16 && x <= 18 && y >= 16 && y <= 22) return !(y == 16 && x != 17);
    if (x >= 20 && x <= 22 && y >= 17 && y <= 22) return !(y == 17 && x != 21);
    if (x >= 24 && x <= 25 && y >= 19 && y <= 22) return true;
    // Palm and wrist.
    if (x >= 11 && x <= 25 && y >= 21 && y <= 28) {
      return !((x == 25 && y == 28) || (x == 11 && y == 28));
    }
    if (x >= 13 && x <= 23 && y >= 29 && y <= 30) return true;
    // Thumb reaching up and left from the palm.
    const double px = x - 11.0, py = y - 26.0, sx = -5.0, sy = -6.0;
    const double t = Clamp01((px * sx + py * sy) / (sx * sx + sy * sy));
    const double ex = px - t * sx, ey = py - t * sy;
    return ex * ex + ey * ey <= 2.6 && x <= 11;
  };
  c.ink.assign(32 * 32, CursorInk::kClear);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (inHand(x, y)) {
        c.ink[static_cast<size_t>(y * 32 + x)] = CursorInk::kWhite;
        continue;
      }
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx)
          near = x + dx >= 0 && x + dx < 32 && y + dy >= 0 && y + dy < 32 &&
                 inHand(x + dx, y + dy);
      if (near) c.ink[static_cast<size_t>(y * 32 + x)] = CursorInk::kBlack;
    }
  }
  // Creases between the folded fingers and the index finger.
  for (int y = 16; y <= 20; ++y) c.ink[static_cast<size_t>(y * 32 + 15)] = CursorInk::kBlack;
  for (int y = 17; y <= 20; ++y) c.ink[static_cast<size_t>(y * 32 + 19)] = CursorInk::kBlack;
  for (int y = 19; y <= 20; ++y) c.ink[static_cast<size_t>(y * 32 + 23)] = CursorInk::kBlack;
  return c;
}

std::vector<std::pair<std::string, std::string>> DialogResourceFiles() {
  return {
      {"dialog_photo.bmp", EncodeBmp24(MakeDialogPhoto())},
      {"dialog_titlebar.bmp", EncodeBmp24(MakeTitleBar())},
      {"button_off.bmp", EncodeBmp24(MakeButtonFace(false))},
      {"button_on.bmp", EncodeBmp24(MakeButtonFace(true))},
      {"close_normal.bmp", EncodeBmp24(MakeCloseBox(false))},
      {"close_pressed.bmp", EncodeBmp24(MakeCloseBox(true))},
      {"quendelrix.ico", EncodeIco8(MakeAppIcon()).value_or(std::string())},
      {"hand.cur", EncodeCur1(MakeHandCursor())},
  };
}

bool WriteDialogResources(const std::filesystem::path& folder) {
  bool ok = true;
  for (const auto& [name, bytes] : DialogResourceFiles()) {
    ok &= !bytes.empty() && WriteFileBytes(folder / name, bytes);
  }
  return ok;
}

}  // namespace qx::tools
