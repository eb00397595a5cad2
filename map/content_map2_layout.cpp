// The force-directed layout of a query map (TCustomContentMap2::LayoutKeys).
//
// Keys start on a circle of radius 0.2 by the first letter of their text and
// are moved one at a time: an unrelated pair pushes apart to a distance of
// 0.13, a related pair pulls toward the distance 0.1 x weight. The cloud is
// kept within a unit square while it settles and finally scaled to a square
// that grows with the number of keys. All arithmetic is single precision, as
// the positions decide where the words go.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "map/content_map2.h"

namespace kestrune {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float kStep = 0.1f;
constexpr int32_t kMaxIterations = 250;
constexpr float kSettled = 0.001f;
constexpr float kUnrelated = 0.01f;
// Pairs that sit on one point are pulled apart along a direction of their own.
constexpr float kSplitDistance = 0.001f;

struct Extent {
  float minX = 100.0f;
  float minY = 100.0f;
  float maxX = -100.0f;
  float maxY = -100.0f;
};

Extent Measure(const TKeys& keys) {
  Extent e;
  for (const TKey& key : keys) {
    if (key.X < e.minX) e.minX = key.X;
    if (key.X > e.maxX) e.maxX = key.X;
    if (key.Y < e.minY) e.minY = key.Y;
    if (key.Y > e.maxY) e.maxY = key.Y;
  }
  return e;
}

}  // namespace

int32_t TCustomContentMap2::LayoutKeys() {
  const size_t n = keys_.size();
  if (n == 0) return 0;
  if (n == 1) {
    keys_[0].X = 0.5f;
    keys_[0].Y = 0.5f;
    return 0;
  }

  float total = 0.0f;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      if (i != j) total += RelationAt(i, j);
    }
  }
  // Query words without relations: a circle.
  if (total < kUnrelated && (keys_.back().Flags & KF_QUERY)) {
    const float radius = std::max(0.1f, static_cast<float>(n + 20) / 71.0f * 0.5f);
    const float step = kTwoPi / static_cast<float>(n);
    float angle = -kPi;
    for (TKey& key : keys_) {
      key.X = std::cos(angle) * radius + 0.5f;
      key.Y = std::sin(angle) * radius + 0.5f;
      angle = angle + step;
    }
    return 0;
  }

  // Start positions by the first letter.
  for (TKey& key : keys_) {
    const char16_t u = key.Name.empty() ? char16_t{0} : key.Name[0];
    float angle;
    if (u >= 0x61 && u <= 0x7A) {
      angle = static_cast<float>(u - 0x61) * kTwoPi / 26.0f;
    } else if (u >= 0x430 && u <= 0x44F) {
      angle = static_cast<float>(u - 0x430) * kTwoPi / 33.0f;
    } else {
      key.X = 0.5f;
      key.Y = 0.5f;
      continue;
    }
    key.X = std::cos(angle) * 0.2f + 0.5f;
    key.Y = std::sin(angle) * 0.2f + 0.5f;
  }

  // Keys are moved in the order of their texts (code unit by code unit).
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [this](size_t a, size_t b) { return keys_[a].Name < keys_[b].Name; });

  const float repelDistance = 1.3f * kStep;
  const float others = static_cast<float>(n - 1);
  float progress = 1.0f;
  int32_t iterations = 0;
  while (progress > kSettled && iterations < kMaxIterations) {
    float maxMove = 0.0f;
    for (size_t p = n; p-- > 0;) {
      TKey& k = keys_[order[p]];
      float sx = 0.0f;
      float sy = 0.0f;
      for (size_t q = 0; q < n; ++q) {
        if (q == p) continue;
        const TKey& o = keys_[order[q]];
        float dx = k.X - o.X;
        float dy = k.Y - o.Y;
        float d = std::sqrt(dx * dx + dy * dy);
        const bool together = d == 0.0f;
        if (together) {
          const float theta = kTwoPi * static_cast<float>(p) / static_cast<float>(n);
          dx = kSplitDistance * std::cos(theta);
          dy = kSplitDistance * std::sin(theta);
          d = kSplitDistance;
        }
        const float w = RelationAt(order[p], order[q]);
        float f;
        if (w > kUnrelated) {
          f = kStep * w / d;
        } else if (d < repelDistance) {
          f = repelDistance / d;
        } else {
          continue;
        }
        // The move that puts k at the wanted distance from o on the line from
        // o through k; for keys on one point X(o) - X(k) is taken as -dx.
        if (together) {
          sx = sx + (f * dx + -dx);
          sy = sy + (f * dy + -dy);
        } else {
          sx = sx + (f * dx + o.X - k.X);
          sy = sy + (f * dy + o.Y - k.Y);
        }
      }
      sx = sx / others;
      sy = sy / others;
      k.X = k.X + sx;
      k.Y = k.Y + sy;
      maxMove = std::max(maxMove, std::max(std::fabs(sx), std::fabs(sy)));
    }
    progress = std::min(progress, maxMove);
    ++iterations;

    // Keep the cloud within a unit square.
    const Extent e = Measure(keys_);
    const float spreadX = e.maxX - e.minX;
    const float spreadY = e.maxY - e.minY;
    if (spreadX > 1.0f) {
      for (TKey& key : keys_) key.X = (key.X - e.minX) / spreadX;
    }
    if (spreadY > 1.0f) {
      for (TKey& key : keys_) key.Y = (key.Y - e.minY) / spreadY;
    }
  }

  // A square that holds 51 keys exactly, fewer in less room, more in a little more.
  const Extent e = Measure(keys_);
  const float scale = static_cast<float>(n + 10) / 61.0f;
  for (TKey& key : keys_) {
    if (e.maxX == e.minX) {
      key.X = 0.5f;
    } else {
      key.X = ((key.X - e.minX) / (e.maxX - e.minX) - 0.5f) * scale + 0.5f;
    }
    if (e.maxY == e.minY) {
      key.Y = 0.5f;
    } else {
      key.Y = ((key.Y - e.minY) / (e.maxY - e.minY) - 0.5f) * scale + 0.5f;
    }
  }
  return iterations;
}

}  // namespace kestrune
