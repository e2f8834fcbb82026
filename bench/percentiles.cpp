#include "bench/percentiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

namespace {

double Rank(const std::vector<double>& sorted, double fraction) {
  const auto n = static_cast<double>(sorted.size());
  const auto rank = static_cast<std::size_t>(std::max(1.0, std::ceil(fraction * n)));
  return sorted[std::min(rank, sorted.size()) - 1];
}

}  // namespace

Summary Summarise(std::vector<double> samples) {
  Summary s;
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  s.count = samples.size();
  s.median = Rank(samples, 0.5);
  s.p99 = Rank(samples, 0.99);
  s.max = samples.back();
  return s;
}

std::string Describe(const Summary& s, const char* unit) {
  char text[160];
  std::snprintf(text, sizeof text, "median %.1f %s  p99 %.1f %s  max %.1f %s  (n=%zu)", s.median,
                unit, s.p99, unit, s.max, unit, s.count);
  return text;
}

}  // namespace bench
