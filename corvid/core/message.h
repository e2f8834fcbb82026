// A message box the calibration shows: its title and text, exactly as the technician
// reads them (the error icon and OK button go without saying).
#pragma once

#include <string>

namespace corvid::calibration {

struct Message {
  std::string title;
  std::string text;
  bool operator==(const Message&) const = default;
};

}  // namespace corvid::calibration
