#include "common/changed_area.h"

namespace qx {

namespace {

long long Cost(const Rect& r) { return Area(r) + ChangedArea::kRectOverhead; }

// Merging `a` and `b` into their bounding box copies no more than the two
// apart.
bool WorthMerging(const Rect& a, const Rect& b) {
  return Cost(BoundingBox(a, b)) <= Cost(a) + Cost(b);
}

}  // namespace

void ChangedArea::Reset(int width, int height) {
  bounds_ = Rect{0, 0, width > 0 ? width : 0, height > 0 ? height : 0};
  whole_ = false;
  merged_ = false;
  area_ = 0;
  added_.clear();
  result_.clear();
}

void ChangedArea::Add(const Rect& r) {
  const Rect inside = Intersection(r, bounds_);
  if (IsEmpty(inside)) return;
  added_.push_back(inside);
  area_ += Cost(inside);
  merged_ = false;
}

std::span<const Rect> ChangedArea::Rects() {
  if (merged_) return result_;
  merged_ = true;
  result_.clear();
  if (IsEmpty(bounds_)) return result_;
  const long long wholeCost = Cost(bounds_);
  if (whole_ || area_ >= wholeCost) {
    result_.push_back(bounds_);
    return result_;
  }
  if (added_.size() > kMostMerged) {
    result_ = added_;
    return result_;
  }
  // Each rectangle in turn joins the list; while it is worth merging with
  // one already there, that one leaves the list and the two go on as their
  // bounding box. Every merge shortens the list, so the work stays within
  // the square of the count.
  long long cost = 0;
  for (const Rect& r : added_) {
    Rect joining = r;
    for (size_t i = 0; i < result_.size();) {
      if (WorthMerging(result_[i], joining)) {
        joining = BoundingBox(result_[i], joining);
        cost -= Cost(result_[i]);
        result_[i] = result_.back();
        result_.pop_back();
        i = 0;  // the grown box may now reach rectangles passed before
      } else {
        ++i;
      }
    }
    result_.push_back(joining);
    cost += Cost(joining);
  }
  if (cost >= wholeCost) {
    result_.assign(1, bounds_);
  }
  return result_;
}

}  // namespace qx
