// cPicEffect: one picture as a 32-bit pixel buffer, captured from a bitmap,
// with a spherical magnifying lens that can be placed anywhere on it.
//
// The pixel array is qx::Image: (column, row) indexed, row 0 at the top, rows
// contiguous, so its memory is the bits of a top-down 32-bit BI_RGB DIB and
// goes to the system's bitmap calls unconverted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "common/image.h"

namespace qx {

// Failures of the cPicEffect operations carry the run-time error number of
// the failed call; the call returns no result and leaves the object as it was.
class PicEffectError : public std::runtime_error {
 public:
  static constexpr int kInvalidArgument = 5;
  static constexpr int kOverflow = 6;
  static constexpr int kSubscriptOutOfRange = 9;
  static constexpr int kDivisionByZero = 11;

  explicit PicEffectError(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

// The platform's BITMAPINFOHEADER, field for field (40 bytes, no padding).
// The Windows layer checks at compile time that both layouts agree, so the
// address of a Header is handed to GetDIBits and SetDIBitsToDevice as is.
struct BitmapInfoHeader {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(offsetof(BitmapInfoHeader, biSize) == 0);
static_assert(offsetof(BitmapInfoHeader, biWidth) == 4);
static_assert(offsetof(BitmapInfoHeader, biHeight) == 8);
static_assert(offsetof(BitmapInfoHeader, biPlanes) == 12);
static_assert(offsetof(BitmapInfoHeader, biBitCount) == 14);
static_assert(offsetof(BitmapInfoHeader, biCompression) == 16);
static_assert(offsetof(BitmapInfoHeader, biSizeImage) == 20);
static_assert(offsetof(BitmapInfoHeader, biXPelsPerMeter) == 24);
static_assert(offsetof(BitmapInfoHeader, biYPelsPerMeter) == 28);
static_assert(offsetof(BitmapInfoHeader, biClrUsed) == 32);
static_assert(offsetof(BitmapInfoHeader, biClrImportant) == 36);

inline constexpr uint32_t kBiRgb = 0;

// A pixel array together with the header through which it is drawn.
struct DibImage {
  BitmapInfoHeader Header;
  Image Pixels;
};

// A picture whose pixels can be read the way GetDIBits reads a bitmap.
class PictureSource {
 public:
  virtual ~PictureSource() = default;
  // Fills `pixels` (already sized and zeroed as `header` describes). Returns
  // false when no memory device context could be made; `pixels` is then left
  // alone. A failed read leaves the pixels zero and still returns true.
  virtual bool ReadPixels(const BitmapInfoHeader& header, Image& pixels) = 0;
};

// A picture held as an Image: the portable stand-in for a bitmap. Pixels of
// the requested size that the image does not cover stay zero (no scaling).
class ImagePicture final : public PictureSource {
 public:
  explicit ImagePicture(Image image) : image_(std::move(image)) {}
  bool ReadPixels(const BitmapInfoHeader& header, Image& pixels) override;

 private:
  Image image_;
};

class cPicEffect {
 public:
  cPicEffect();
  ~cPicEffect();
  cPicEffect(const cPicEffect&) = delete;
  cPicEffect& operator=(const cPicEffect&) = delete;

  // An independent copy of the buffer (empty if none was ever set).
  Image Bits() const;
  // Replaces the buffer with a copy of `pixels`, then takes its bounds and
  // sets the picture rectangle to (0, 0, width, height). An empty array fails
  // with 9 after the replacement; the old bounds and rectangle stay.
  void Bits(const Image& pixels);

  // Captures `picture` at `width` x `height` pixels into the buffer. Nothing
  // changes when the picture cannot be opened; a width x height that
  // overflows 32 bits fails with 6 first.
  void BitsTakeFromPicture(PictureSource& picture, int32_t width,
                           int32_t height);

  // A copy of the buffer with the lens applied (the buffer is not changed).
  // centerX and centerY are fractions of the last column and row indexes,
  // lensSize a fraction of the larger of them, strength 0 to 300.
  Image Lens(float centerX, float centerY, float lensSize,
             int32_t strength) const;

  // Prepares `record` to draw a width x height picture: header fields for a
  // top-down 32-bit bitmap and a copy of `pixels`.
  static void MakeDibImage(DibImage& record, const Image& pixels,
                           int32_t width, int32_t height);

  int32_t LastColumn() const { return lastColumn_; }
  int32_t LastRow() const { return lastRow_; }
  Rect PictureRect() const { return pictureRect_; }

 private:
  struct LensTable;
  // The offsets of one lens shape, built once per (r, k, L) and reused by
  // every call with the same shape.
  const LensTable& TableFor(int32_t r, float k, int32_t limit) const;

  Image bits_;
  int32_t lastColumn_ = 0;
  int32_t lastRow_ = 0;
  Rect pictureRect_{};
  mutable std::unique_ptr<LensTable> table_;
};

}  // namespace qx
