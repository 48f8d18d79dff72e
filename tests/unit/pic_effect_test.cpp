#include "effects/pic_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <variant>

#include "common/numbers.h"

namespace qx {
namespace {

// Every pixel names its own position, so a lens result tells where each of
// its pixels came from.
Pixel Tag(int x, int y) { return static_cast<Pixel>(x | (y << 12)); }
int TagX(Pixel p) { return static_cast<int>(p & 0xFFF); }
int TagY(Pixel p) { return static_cast<int>(p >> 12); }

Image TaggedImage(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.At(x, y) = Tag(x, y);
  return img;
}

cPicEffect& DialogEffect() {
  static cPicEffect effect;
  static bool ready = false;
  if (!ready) {
    effect.Bits(TaggedImage(320, 200));
    ready = true;
  }
  return effect;
}

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const PicEffectError& e) {
    return e.Code();
  }
  return 0;
}

TEST(PicEffectLens, WorkedOffsetsOfTheDialogLens) {
  const Image out = DialogEffect().Lens(0.5f, 0.5f, 0.15f, 75);
  // Centre (160, 100): 159.5 and 99.5 round to the even neighbour.
  const struct { int i, j, si, sj; } cases[] = {
      {1, 0, 0, 0},     {10, 0, 5, 0},    {40, 0, 35, 0},  {-40, 0, -35, 0},
      {30, 25, 25, 21}, {41, 0, 39, 0},   {0, 0, 0, 0},    {0, -41, 0, -39},
      {-30, -25, -25, -21},
      {40, 11, 40, 11},  // 1721: inside, and the rim meets the picture
      {29, 30, 29, 30},  // 1741: outside, untouched
      {41, 7, 41, 7},    // 1730: outside
      {42, 0, 42, 0},    // 1764: outside
      {48, 0, 48, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.i << "," << c.j);
    const Pixel p = out.At(160 + c.i, 100 + c.j);
    EXPECT_EQ(TagX(p) - 160, c.si);
    EXPECT_EQ(TagY(p) - 100, c.sj);
  }
}

TEST(PicEffectLens, StrengthShapesTheDisc) {
  const Image& original = TaggedImage(320, 200);
  cPicEffect& fx = DialogEffect();
  EXPECT_EQ(fx.Lens(0.5f, 0.5f, 0.15f, 0), original);    // k = r, L = 0
  EXPECT_EQ(fx.Lens(0.5f, 0.5f, 0.15f, 300), original);  // k = -r, L = 0
  EXPECT_EQ(fx.Lens(0.5f, 0.5f, 0.0f, 75), original);    // r = 0

  // Strength 150 gives k = 0: every pixel of the disc i*i + j*j < r*r shows the centre.
  const Image flat = fx.Lens(0.5f, 0.5f, 0.15f, 150);
  for (int j = -48; j <= 48; ++j) {
    for (int i = -48; i <= 48; ++i) {
      const Pixel want = i * i + j * j < 48 * 48 ? Tag(160, 100)
                                                 : Tag(160 + i, 100 + j);
      ASSERT_EQ(flat.At(160 + i, 100 + j), want) << i << "," << j;
    }
  }

  // Between 150 and 300 the disc is mirrored through the centre.
  const Image mirrored = fx.Lens(0.5f, 0.5f, 0.15f, 225);
  const Pixel right = mirrored.At(170, 100);
  const Pixel below = mirrored.At(160, 108);
  EXPECT_LT(TagX(right), 160);
  EXPECT_EQ(TagY(right), 100);
  EXPECT_LT(TagY(below), 100);
  EXPECT_EQ(TagX(mirrored.At(150, 100)) - 160, 160 - TagX(right));
}

TEST(PicEffectLens, NewObjectAndSinglePixelGiveCopies) {
  cPicEffect fresh;
  Image out;
  EXPECT_EQ(ErrorOf([&] { out = fresh.Lens(0.5f, 0.5f, 0.15f, 75); }), 0);
  EXPECT_TRUE(out.Empty());

  cPicEffect dot;
  dot.Bits(Image(1, 1, 0x123456));
  EXPECT_EQ(dot.Lens(0.5f, 0.5f, 0.15f, 75), Image(1, 1, 0x123456));
}

TEST(PicEffectLens, EdgesClipDestinationsAndSkipColumn320) {
  cPicEffect& fx = DialogEffect();
  // Centred on the top-left corner: only the lower-right quarter is drawn.
  const Image corner = fx.Lens(0.0f, 0.0f, 0.15f, 75);
  EXPECT_EQ(corner.At(10, 0), Tag(5, 0));
  EXPECT_EQ(corner.At(0, 0), Tag(0, 0));

  // The dialog's frame 107: centre on column 320 (one past the last) and on
  // row 185. Sources in column 320 are skipped, the rest are read.
  const Image past = fx.Lens(static_cast<float>(321.0 / 320.0),
                             static_cast<float>(186.0 / 200.0), 0.15f, 75);
  EXPECT_EQ(past.At(319, 185), Tag(319, 185));  // source (320, 185): skipped
  EXPECT_EQ(past.At(310, 185), Tag(315, 185));  // source (315, 185)
  EXPECT_EQ(past.At(300, 190), Tag(309, 187));

  // A centre left of the picture sends sources out of the buffer: error 9,
  // and the object is unchanged.
  EXPECT_EQ(ErrorOf([&] { fx.Lens(-0.05f, 0.5f, 0.15f, 75); }),
            PicEffectError::kSubscriptOutOfRange);
  EXPECT_EQ(fx.Bits(), TaggedImage(320, 200));
  EXPECT_EQ(fx.PictureRect(), (Rect{0, 0, 320, 200}));
}

TEST(PicEffectLens, FailuresCarryTheirCodes) {
  cPicEffect& fx = DialogEffect();
  const struct { float cx, cy, size; int32_t strength; int code; } cases[] = {
      {0.5f, 0.5f, 0.15f, -1, PicEffectError::kInvalidArgument},
      {0.5f, 0.5f, 0.15f, 301, PicEffectError::kInvalidArgument},
      {0.5f, 0.5f, 0.0f, -1, 0},  // r = 0: nothing under the root
      {1e10f, 0.5f, 0.15f, 75, PicEffectError::kOverflow},
      {0.5f, NAN, 0.15f, 75, PicEffectError::kOverflow},
      {0.5f, 0.5f, 1e8f, 75, PicEffectError::kOverflow},
      {0.5f, 0.5f, 0.15f, std::numeric_limits<int32_t>::min(),
       PicEffectError::kOverflow},
      {0.5f, 0.5f, 110.0f, 75, PicEffectError::kOverflow},  // r*r + r*r
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cx << " " << c.cy << " " << c.size << " "
                                    << c.strength);
    EXPECT_EQ(ErrorOf([&] { fx.Lens(c.cx, c.cy, c.size, c.strength); }),
              c.code);
  }
}

TEST(PicEffectLens, ResultIsIndependentOfTheBuffer) {
  cPicEffect fx;
  fx.Bits(TaggedImage(64, 40));
  Image a = fx.Lens(0.3f, 0.6f, 0.2f, 75);
  const Image b = fx.Lens(0.3f, 0.6f, 0.2f, 75);
  EXPECT_EQ(a, b);
  a.At(19, 23) = 0xFFFFFF;
  EXPECT_EQ(fx.Bits(), TaggedImage(64, 40));
  EXPECT_EQ(fx.Lens(0.3f, 0.6f, 0.2f, 75), b);
}

// The rules written out literally, one square root per offset, as the
// yardstick for the table-driven pass.
std::variant<Image, int> LiteralLens(const Image& buffer, float centerX,
                                     float centerY, float lensSize,
                                     int32_t strength) {
  const int64_t X = buffer.Width() - 1, Y = buffer.Height() - 1;
  auto r32 = [](double v) { return ToInt32(v); };
  auto fits = [](int64_t v) {
    return v >= std::numeric_limits<int32_t>::min() &&
           v <= std::numeric_limits<int32_t>::max();
  };
  auto cx = r32(double(centerX) * X), cy = r32(double(centerY) * Y);
  if (!cx || !cy) return 6;
  auto r = r32(double(lensSize) * (X > Y ? X : Y));
  if (!r) return 6;
  const int64_t prod = (150 - int64_t{strength}) * *r;
  if (!fits(150 - int64_t{strength}) || !fits(prod)) return 6;
  const float k = float(double(prod) / 150.0);
  const int64_t r2 = int64_t{*r} * *r;
  if (!fits(r2)) return 6;
  const double under = double(r2) - double(k * k);
  if (under < 0) return 5;
  const float s = float(std::sqrt(under));
  const auto L = r32(double(s * s));
  Image result = buffer;
  for (int64_t j = -*r; j <= *r; ++j) {
    const int64_t dy = *cy + j;
    for (int64_t i = -*r; i <= *r; ++i) {
      if (!fits(i * i + j * j)) return 6;
      if (i * i + j * j >= *L) continue;
      const auto z = r32(std::sqrt(double(r2 - i * i - j * j)));
      const int64_t sx = *cx + int64_t{*r32(double(k) * i)} / *z;
      const int64_t sy = *cy + int64_t{*r32(double(k) * j)} / *z;
      const int64_t dx = *cx + i;
      if (dx >= 0 && dy >= 0 && dx <= X && dy <= Y && sx != 320) {
        if (sx < 0 || sy < 0 || sx > X || sy > Y) return 9;
        result.At(int(dx), int(dy)) = buffer.At(int(sx), int(sy));
      }
    }
  }
  return result;
}

TEST(PicEffectLens, MatchesTheLiteralRulesForManyArguments) {
  std::mt19937 rng(20260612);
  std::uniform_real_distribution<float> centre(-0.3f, 1.3f), size(0.0f, 0.35f);
  std::uniform_int_distribution<int32_t> strength(-20, 320);
  const struct { int w, h; } shapes[] = {{320, 200}, {57, 91}, {330, 12}};
  for (const auto& shape : shapes) {
    SCOPED_TRACE(testing::Message() << shape.w << " x " << shape.h);
    cPicEffect fx;
    const Image buffer = TaggedImage(shape.w, shape.h);
    fx.Bits(buffer);
    for (int n = 0; n < 150; ++n) {
      const float cx = centre(rng), cy = centre(rng), ls = size(rng);
      const int32_t st = n % 3 == 0 ? 75 : strength(rng);
      const auto want = LiteralLens(buffer, cx, cy, ls, st);
      Image got;
      const int code = ErrorOf([&] { got = fx.Lens(cx, cy, ls, st); });
      if (std::holds_alternative<int>(want)) {
        EXPECT_EQ(code, std::get<int>(want)) << cx << " " << cy << " " << ls
                                             << " " << st;
      } else {
        ASSERT_EQ(code, 0) << cx << " " << cy << " " << ls << " " << st;
        EXPECT_EQ(got, std::get<Image>(want))
            << cx << " " << cy << " " << ls << " " << st;
      }
    }
  }
}

TEST(PicEffectLens, AVeryLargeLensIsWorkedOutRowByRowAlike) {
  // r = 1119: too many offsets to keep a table, so each call works out the
  // rows it draws.
  cPicEffect fx;
  const Image buffer = TaggedImage(1600, 2);
  fx.Bits(buffer);
  for (float cx : {0.5f, 0.1f, 0.93f}) {
    const auto want = LiteralLens(buffer, cx, 0.5f, 0.7f, 75);
    ASSERT_TRUE(std::holds_alternative<Image>(want));
    EXPECT_EQ(fx.Lens(cx, 0.5f, 0.7f, 75), std::get<Image>(want)) << cx;
  }
}

TEST(PicEffectBits, WriteSetsBoundsAndRectangle) {
  cPicEffect fx;
  EXPECT_TRUE(fx.Bits().Empty());
  fx.Bits(TaggedImage(7, 3));
  EXPECT_EQ(fx.LastColumn(), 6);
  EXPECT_EQ(fx.LastRow(), 2);
  EXPECT_EQ(fx.PictureRect(), (Rect{0, 0, 7, 3}));
  Image copy = fx.Bits();
  copy.At(0, 0) = 99;
  EXPECT_EQ(fx.Bits(), TaggedImage(7, 3));

  // An empty array replaces the buffer, then fails; the bounds stay.
  EXPECT_EQ(ErrorOf([&] { fx.Bits(Image()); }),
            PicEffectError::kSubscriptOutOfRange);
  EXPECT_TRUE(fx.Bits().Empty());
  EXPECT_EQ(fx.LastColumn(), 6);
  EXPECT_EQ(fx.PictureRect(), (Rect{0, 0, 7, 3}));
}

class RefusingPicture final : public PictureSource {
 public:
  bool ReadPixels(const BitmapInfoHeader&, Image&) override { return false; }
};

TEST(PicEffectBits, TakeFromPicture) {
  cPicEffect fx;
  ImagePicture photo(TaggedImage(320, 200));
  fx.BitsTakeFromPicture(photo, 320, 200);
  EXPECT_EQ(fx.Bits(), TaggedImage(320, 200));
  EXPECT_EQ(fx.LastColumn(), 319);
  EXPECT_EQ(fx.LastRow(), 199);
  EXPECT_EQ(fx.PictureRect(), (Rect{0, 0, 320, 200}));

  // A picture that cannot be opened changes nothing.
  RefusingPicture refusing;
  fx.BitsTakeFromPicture(refusing, 10, 10);
  EXPECT_EQ(fx.LastColumn(), 319);
  // Too large for 32 bits: error 6 before anything changes.
  EXPECT_EQ(ErrorOf([&] { fx.BitsTakeFromPicture(photo, 50000, 50000); }),
            PicEffectError::kOverflow);
  EXPECT_EQ(fx.Bits(), TaggedImage(320, 200));
}

TEST(PicEffectDib, MakeDibImageFillsTheHeader) {
  DibImage record;
  record.Header.biXPelsPerMeter = 77;  // left as the record holds it
  const Image pixels = TaggedImage(320, 200);
  cPicEffect::MakeDibImage(record, pixels, 320, 200);
  EXPECT_EQ(record.Header.biSize, 40u);
  EXPECT_EQ(record.Header.biWidth, 320);
  EXPECT_EQ(record.Header.biHeight, -200);
  EXPECT_EQ(record.Header.biPlanes, 1);
  EXPECT_EQ(record.Header.biBitCount, 32);
  EXPECT_EQ(record.Header.biCompression, kBiRgb);
  EXPECT_EQ(record.Header.biSizeImage, 256000u);
  EXPECT_EQ(record.Header.biXPelsPerMeter, 77);
  EXPECT_EQ(record.Pixels, pixels);
  EXPECT_EQ(ErrorOf([&] { cPicEffect::MakeDibImage(record, pixels, 40000, 20000); }),
            PicEffectError::kOverflow);
}

}  // namespace
}  // namespace qx
