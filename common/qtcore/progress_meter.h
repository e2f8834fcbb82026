// Progress of a long operation on standard error: a bar redrawn in place on a
// terminal ("[#####     ] 1024/4096 records  85 records/s  0:36 left"), as wide as
// the terminal allows, plain lines otherwise (one for every tenth of the way), so a
// log file stays readable.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace common {

class ProgressMeter {
 public:
  // `terminal`: draw the bar (default: whether `out` is a terminal).
  ProgressMeter(std::string what, int total, std::FILE* out = stderr);
  ProgressMeter(std::string what, int total, std::FILE* out, bool terminal);
  ~ProgressMeter();

  void Update(int done);
  // Ends the bar's line (also done by the destructor).
  void Finish();

  // The bar's text for `done` after `seconds` (for tests: no clock involved), in
  // fewer than `width` columns so that the terminal never wraps it: on a narrow one
  // the rate, then the time left give way, and the bar shrinks.
  static std::string BarText(const std::string& what, int done, int total, double seconds,
                             int width = 80);

 private:
  std::string what_;
  int total_;
  std::FILE* out_;
  bool terminal_;
  int last_tenth_ = -1;
  bool drawn_ = false;
  bool finished_ = false;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace common
