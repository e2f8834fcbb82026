// How the unit's input and output bytes map onto the panel's points.
#pragma once

#include <array>
#include <cstdint>

namespace tessera::panel {

inline constexpr int kOutputPoints = 56;  // chkOut(0..55)
inline constexpr int kInputPoints = 55;   // shpIn(0..54)
inline constexpr int kOptoInputs = 4;     // shpOpto(0..3)
inline constexpr int kChannels = 18;      // fraChannel(0..17), three points each

using InputData = std::array<std::uint8_t, 12>;   // bytes 1-12 of the input response
using OutputData = std::array<std::uint8_t, 17>;  // 0-6 from chkOut, 7-15 zero, 16 unsent

struct InputLamps {
  std::array<bool, kInputPoints> points{};
  std::array<bool, kOptoInputs> opto{};
};

// Which indicators a set of input bytes lights.
InputLamps InputDataToForm(const InputData& data);

// Output bytes for the check box states chkOut(0..55).
OutputData OutputFormToData(const std::array<bool, kOutputPoints>& checked);

}  // namespace tessera::panel
