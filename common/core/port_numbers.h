// Serial ports are named by number (COMn) in every program and simulator.
#pragma once

namespace common {

inline constexpr int kMinPortNumber = 1;
inline constexpr int kMaxPortNumber = 256;

}  // namespace common
