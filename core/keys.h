// Record types shared by the network, the step ring and the map.
//
// TNNKey is a pair of an element or word identifier and a single-precision
// weight; TNNKeys, a dynamic array of them, is the currency of network queries
// and of map events. TArrayOfIndex is a dynamic array of indexes.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrune {

struct TNNKey {
  int32_t Id = 0;
  float Weight = 0.0f;

  friend bool operator==(const TNNKey&, const TNNKey&) = default;
};

using TNNKeys = std::vector<TNNKey>;
using TArrayOfIndex = std::vector<int32_t>;

}  // namespace kestrune
