#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace bench {

// Nearest rank: the smallest value with at least `fraction` of all values at
// or below it; 0 for no values. Every benchmark reports its medians and 99th
// percentiles this one way, so their tables compare.
inline double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  auto rank = static_cast<std::size_t>(std::ceil(fraction * double(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

}  // namespace bench
