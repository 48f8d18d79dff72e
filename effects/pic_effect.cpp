#include "effects/pic_effect.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "common/numbers.h"

namespace qx {

namespace {

// The column just past the right edge of the dialog's 320-pixel photograph.
// A lens source position in this column is skipped rather than read, which
// lets the lens run one step past the last column without failing.
constexpr int32_t kSkippedSourceColumn = 320;

// Lens shapes whose offset table would hold more entries than this are
// worked out row by row on every call instead of being kept.
constexpr size_t kMaxTableEntries = size_t{1} << 21;

[[noreturn]] void Fail(int code) { throw PicEffectError(code); }

template <typename T>
T Must(std::optional<T> v, int code = PicEffectError::kOverflow) {
  if (!v) Fail(code);
  return *v;
}

int32_t Round32(double v) { return Must(ToInt32(v)); }

}  // namespace

PicEffectError::PicEffectError(int code)
    : std::runtime_error("picture effect failed with error " +
                         std::to_string(code)),
      code_(code) {}

bool ImagePicture::ReadPixels(const BitmapInfoHeader& header, Image& pixels) {
  (void)header;
  const int w = std::min(pixels.Width(), image_.Width());
  const int h = std::min(pixels.Height(), image_.Height());
  for (int y = 0; y < h; ++y) {
    std::memcpy(pixels.Row(y), image_.Row(y), static_cast<size_t>(w) * 4);
  }
  return true;
}

// For each row offset j in [-r, r] the offsets inside the disc form one run
// i in [-half, half]; for each of them the table holds the source offsets
// (k*i rounded) / z and (k*j rounded) / z.
struct cPicEffect::LensTable {
  int32_t r = 0;
  uint32_t kBits = 0;
  int32_t limit = 0;
  bool kept = false;            // rows below hold the whole shape
  std::vector<int32_t> half;    // per row; -1 when no offset is inside
  std::vector<size_t> start;    // per row: index of offset -half in dx/dy
  std::vector<int32_t> sourceDx, sourceDy;
  // Extremes over the whole shape, for the range checks made up front (the
  // source offsets only when the rows are kept).
  int32_t maxHalf = -1;
  int32_t minDx = 0, maxDx = 0, minDy = 0, maxDy = 0;
};

namespace {

// Source offsets of row j for i in [-half, half], appended to dx and dy.
void BuildRow(int32_t r2, float k, int32_t j, int32_t half,
              std::vector<int32_t>& dx, std::vector<int32_t>& dy) {
  const int32_t kj = Round32(static_cast<double>(k) * j);
  for (int32_t i = -half; i <= half; ++i) {
    const int32_t m = r2 - i * i - j * j;
    const int32_t z = Round32(std::sqrt(static_cast<double>(m)));
    if (z == 0) Fail(PicEffectError::kDivisionByZero);
    const int32_t ki = Round32(static_cast<double>(k) * i);
    dx.push_back(ki / z);  // truncates toward zero: i and -i are symmetric
    dy.push_back(kj / z);
  }
}

// The largest i >= 0 with i*i + j*j < limit, or -1.
int32_t HalfWidth(int32_t limit, int32_t j) {
  const int64_t room = int64_t{limit} - int64_t{j} * j;  // i*i < room
  if (room <= 0) return -1;
  auto w = static_cast<int64_t>(std::sqrt(static_cast<double>(room)));
  while (w * w >= room) --w;
  while ((w + 1) * (w + 1) < room) ++w;
  return static_cast<int32_t>(w);
}

}  // namespace

cPicEffect::cPicEffect() = default;
cPicEffect::~cPicEffect() = default;

Image cPicEffect::Bits() const { return bits_; }

void cPicEffect::Bits(const Image& pixels) {
  bits_ = pixels;
  if (bits_.Empty()) Fail(PicEffectError::kSubscriptOutOfRange);
  lastColumn_ = bits_.Width() - 1;
  lastRow_ = bits_.Height() - 1;
  pictureRect_ = Rect{0, 0, lastColumn_ + 1, lastRow_ + 1};
}

void cPicEffect::BitsTakeFromPicture(PictureSource& picture, int32_t width,
                                     int32_t height) {
  DibImage local;
  MakeDibImage(local, Image(), width, height);  // fails with 6 on overflow
  if (width <= 0 || height <= 0) Fail(PicEffectError::kSubscriptOutOfRange);
  local.Pixels = Image(width, height);
  if (!picture.ReadPixels(local.Header, local.Pixels)) return;
  Bits(local.Pixels);
}

void cPicEffect::MakeDibImage(DibImage& record, const Image& pixels,
                              int32_t width, int32_t height) {
  const int32_t area = Must(CheckedMul<int32_t>(width, height));
  const int32_t bytes = Must(CheckedMul<int32_t>(area, 4));
  const int32_t negHeight = Must(CheckedNeg<int32_t>(height));
  record.Header.biWidth = width;
  record.Header.biSize = sizeof(BitmapInfoHeader);
  record.Header.biBitCount = 32;
  record.Header.biPlanes = 1;
  record.Header.biHeight = negHeight;
  record.Header.biSizeImage = static_cast<uint32_t>(bytes);
  record.Pixels = pixels;
}

const cPicEffect::LensTable& cPicEffect::TableFor(int32_t r, float k,
                                                  int32_t limit) const {
  const uint32_t kBits = std::bit_cast<uint32_t>(k);
  if (table_ && table_->r == r && table_->kBits == kBits &&
      table_->limit == limit) {
    return *table_;
  }
  auto t = std::make_unique<LensTable>();
  t->r = r;
  t->kBits = kBits;
  t->limit = limit;
  const int32_t rows = 2 * r + 1;
  t->half.resize(static_cast<size_t>(rows));
  t->start.resize(static_cast<size_t>(rows));
  size_t entries = 0;
  for (int32_t j = -r; j <= r; ++j) {
    const int32_t w = HalfWidth(limit, j);
    t->half[static_cast<size_t>(j + r)] = w;
    t->start[static_cast<size_t>(j + r)] = entries;
    if (w >= 0) {
      entries += static_cast<size_t>(2 * w + 1);
      t->maxHalf = std::max(t->maxHalf, w);
    }
  }
  t->kept = entries <= kMaxTableEntries;
  if (t->kept) {
    t->sourceDx.reserve(entries);
    t->sourceDy.reserve(entries);
    const int32_t r2 = r * r;
    for (int32_t j = -r; j <= r; ++j) {
      const int32_t w = t->half[static_cast<size_t>(j + r)];
      if (w >= 0) BuildRow(r2, k, j, w, t->sourceDx, t->sourceDy);
    }
    if (entries > 0) {
      const auto [dxMin, dxMax] =
          std::minmax_element(t->sourceDx.begin(), t->sourceDx.end());
      const auto [dyMin, dyMax] =
          std::minmax_element(t->sourceDy.begin(), t->sourceDy.end());
      t->minDx = *dxMin;
      t->maxDx = *dxMax;
      t->minDy = *dyMin;
      t->maxDy = *dyMax;
    }
  }
  table_ = std::move(t);
  return *table_;
}

Image cPicEffect::Lens(float centerX, float centerY, float lensSize,
                       int32_t strength) const {
  const int32_t lastX = lastColumn_;
  const int32_t lastY = lastRow_;
  // Single times Long is worked out in double precision.
  const int32_t cx = Round32(static_cast<double>(centerX) * lastX);
  const int32_t cy = Round32(static_cast<double>(centerY) * lastY);
  const int32_t r = Round32(static_cast<double>(lensSize) *
                            (lastX > lastY ? lastX : lastY));
  const int32_t product =
      Must(CheckedMul<int32_t>(Must(CheckedSub<int32_t>(150, strength)), r));
  const float k = static_cast<float>(static_cast<double>(product) / 150.0);
  const int32_t r2 = Must(CheckedMul<int32_t>(r, r));
  const float k2 = k * k;  // Single times Single stays single precision
  const double underRoot = static_cast<double>(r2) - static_cast<double>(k2);
  if (underRoot < 0) Fail(PicEffectError::kInvalidArgument);
  const float s = static_cast<float>(std::sqrt(underRoot));
  const int32_t limit = Round32(static_cast<double>(s * s));

  Image result = bits_;
  if (limit <= 0) return result;  // no offset lies inside the disc
  // The first offset tested is (-r, -r): its i*i + j*j must fit 32 bits.
  if (int64_t{2} * r2 > std::numeric_limits<int32_t>::max()) {
    Fail(PicEffectError::kOverflow);
  }

  const LensTable& t = TableFor(r, k, limit);
  // Every destination and source position the pass forms must fit 32 bits;
  // checked once here instead of at each offset.
  auto fits = [](int64_t v) {
    return v >= std::numeric_limits<int32_t>::min() &&
           v <= std::numeric_limits<int32_t>::max();
  };
  if (!fits(int64_t{cy} - r) || !fits(int64_t{cy} + r) ||
      !fits(int64_t{cx} - t.maxHalf) || !fits(int64_t{cx} + t.maxHalf) ||
      !fits(int64_t{cx} + t.minDx) || !fits(int64_t{cx} + t.maxDx) ||
      !fits(int64_t{cy} + t.minDy) || !fits(int64_t{cy} + t.maxDy)) {
    Fail(PicEffectError::kOverflow);
  }
  auto checkSources = [&](const std::vector<int32_t>& dx,
                          const std::vector<int32_t>& dy) {
    for (size_t e = 0; e < dx.size(); ++e) {
      if (!fits(int64_t{cx} + dx[e]) || !fits(int64_t{cy} + dy[e])) {
        Fail(PicEffectError::kOverflow);
      }
    }
  };

  const int32_t width = bits_.Width();
  const int32_t height = bits_.Height();
  const Pixel* src = bits_.Data();
  Pixel* dst = result.Data();
  std::vector<int32_t> rowDx, rowDy;  // rows worked out per call
  for (int32_t j = -r; j <= r; ++j) {
    const int32_t dy = cy + j;
    if (dy < 0 || dy >= height) continue;
    const int32_t half = t.half[static_cast<size_t>(j + r)];
    if (half < 0) continue;
    const int32_t* sdx;
    const int32_t* sdy;
    if (t.kept) {
      const size_t at = t.start[static_cast<size_t>(j + r)];
      sdx = t.sourceDx.data() + at;
      sdy = t.sourceDy.data() + at;
    } else {
      rowDx.clear();
      rowDy.clear();
      BuildRow(r2, k, j, half, rowDx, rowDy);
      checkSources(rowDx, rowDy);
      sdx = rowDx.data();
      sdy = rowDy.data();
    }
    // Only destinations inside the picture are visited (the others are
    // left as they are and their sources are never read).
    const int64_t iLo = std::max<int64_t>(-half, -int64_t{cx});
    const int64_t iHi = std::min<int64_t>(half, int64_t{width} - 1 - cx);
    Pixel* dstRow = dst + static_cast<size_t>(dy) * static_cast<size_t>(width);
    for (int64_t i = iLo; i <= iHi; ++i) {
      const size_t e = static_cast<size_t>(i + half);
      const int32_t sx = cx + sdx[e];
      if (sx == kSkippedSourceColumn) continue;
      const int32_t sy = cy + sdy[e];
      if (static_cast<uint32_t>(sx) >= static_cast<uint32_t>(width) ||
          static_cast<uint32_t>(sy) >= static_cast<uint32_t>(height)) {
        Fail(PicEffectError::kSubscriptOutOfRange);
      }
      dstRow[cx + i] =
          src[static_cast<size_t>(sy) * static_cast<size_t>(width) +
              static_cast<size_t>(sx)];
    }
  }
  return result;
}

}  // namespace qx
