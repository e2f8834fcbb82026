// The arithmetic of Check Outputs: what one output's readings say against the mains
// voltage and the calibration load resistor.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvid::monitor {

// "1 Red" ... "2 Green" for outputs 0-5.
std::string_view OutputName(int output);

// A number as the technician reads it: 118.5, 120, 24.
std::string ShortestDecimal(double value);

struct CheckMessage {
  std::string title;
  std::string text;
};

struct OutputVerdict {
  std::vector<CheckMessage> messages;  // one per failed check, in order
  bool stop = false;                   // a zero reading ends the whole check
};

// volts and amps as shown for the output, mains as shown, resistor in ohms. Band
// edges pass. A resistor that is not positive gives no expected current: the two
// current bands are then not judged (the caller says so once).
OutputVerdict JudgeOutput(int output, double volts, double amps, double mains, double resistor);

}  // namespace corvid::monitor
