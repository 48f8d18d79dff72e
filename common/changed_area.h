// The part of an image that changed since the screen last showed it, as a
// few rectangles to copy: a present copies these and nothing else.
//
// Rectangles that overlap or lie close together are merged into their
// bounding box where copying the box costs no more than copying both apart
// (each rectangle counted with a fixed overhead for its copy call); when the
// rectangles would cost as much as the whole image, the answer is the whole
// image, one rectangle.
#pragma once

#include <span>
#include <vector>

#include "common/image.h"

namespace qx {

class ChangedArea {
 public:
  // What one more rectangle costs beyond its pixels: the pixels a single
  // copy call is worth.
  static constexpr long long kRectOverhead = 4096;
  // Beyond this many rectangles they are handed on as they are: merging
  // takes time that grows with the square of their number.
  static constexpr size_t kMostMerged = 2048;

  // Nothing changed yet, in an image of `width` x `height`.
  void Reset(int width, int height);
  // `r` changed: the part of it inside the image is added.
  void Add(const Rect& r);
  // Every pixel changed.
  void AddWhole() { whole_ = true; }

  // The rectangles to copy: within the image, none empty, together holding
  // every pixel added. Valid until the next Reset or Add.
  std::span<const Rect> Rects();

 private:
  Rect bounds_;
  bool whole_ = false;
  bool merged_ = false;
  long long area_ = 0;  // the added rectangles' pixels, overlaps counted twice
  std::vector<Rect> added_;
  std::vector<Rect> result_;
};

}  // namespace qx
