// How the unit's input and output bytes map onto the panel's points.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tessera {

inline constexpr int kOutputPoints = 56;  // output check boxes
inline constexpr int kInputPoints = 55;   // input lamps
inline constexpr int kOptoInputs = 4;     // opto lamps
inline constexpr int kChannels = 18;      // channel frames, three points each

using InputData = std::array<std::uint8_t, 12>;   // bytes 1-12 of the input response
using OutputData = std::array<std::uint8_t, 17>;  // 0-6 from the check boxes, 7-15 zero, 16 unsent

struct InputLamps {
  std::array<bool, kInputPoints> points{};
  std::array<bool, kOptoInputs> opto{};
};

// Which indicators a set of input bytes lights.
InputLamps InputDataToForm(const InputData& data);

// The panel's caption of point 0-55 ("I/O #07", "Active", "Dummy") and of opto
// input 0-3 ("Opto #1"); every window that names a point takes it from here.
std::string PointCaption(int point);
std::string OptoCaption(int opto);

// Output bytes for the states of the 56 output check boxes.
OutputData OutputFormToData(const std::array<bool, kOutputPoints>& checked);

}  // namespace tessera
