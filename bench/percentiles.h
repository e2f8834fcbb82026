// Order statistics of a run of samples, for the benchmark summaries.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Summary {
  std::size_t count = 0;
  double median = 0;
  double p99 = 0;
  double max = 0;
};

// Nearest-rank percentiles; all zero for no samples.
Summary Summarise(std::vector<double> samples);
// "median 12.3  p99 45.6  max 78.9 (n=2000)" with the unit after each number.
std::string Describe(const Summary& s, const char* unit);

}  // namespace bench
