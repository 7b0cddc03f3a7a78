// An axis-aligned box in double precision: what an object, or a group of
// objects, occupies.
#pragma once

#include <algorithm>
#include <limits>

#include "base/mat4.h"

struct Box {
  // Empty until a point is added: lo above hi.
  Vec3d lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
           std::numeric_limits<double>::infinity()};
  Vec3d hi{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
           -std::numeric_limits<double>::infinity()};

  bool Empty() const { return !(lo.x <= hi.x && lo.y <= hi.y && lo.z <= hi.z); }
  Vec3d Centre() const { return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2}; }
  // Grows the box to hold p.
  void Add(const Vec3d& p) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  void Add(const Box& b) {
    if (!b.Empty()) Add(b.lo), Add(b.hi);
  }
  // The i-th of the eight corners (bit 0 picks x, bit 1 y, bit 2 z).
  Vec3d Corner(int i) const {
    return {(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z};
  }
};
