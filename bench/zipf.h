// A Zipf-distributed sampler over ranks 0..n-1 (weight of rank i is
// 1/(i+1)^s), shared by the benchmarks that generate word frequencies.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace kestrune::bench {

class Zipf {
 public:
  Zipf(int32_t n, double s) : cumulative_(static_cast<size_t>(n)) {
    double sum = 0;
    for (int32_t i = 0; i < n; ++i) cumulative_[i] = sum += 1.0 / std::pow(i + 1, s);
    for (double& c : cumulative_) c /= sum;
  }
  int32_t operator()(std::mt19937& rng) {
    const double u = std::uniform_real_distribution<double>(0, 1)(rng);
    return static_cast<int32_t>(std::lower_bound(cumulative_.begin(), cumulative_.end(), u) - cumulative_.begin());
  }

 private:
  std::vector<double> cumulative_;
};

}  // namespace kestrune::bench
