// Line rates the software cost is judged against.
#pragma once

namespace bench {

// 19200 baud 8E1: 11 bits per byte.
inline constexpr double kTesseraBytesPerSecond = 19200.0 / 11.0;
// 307200 baud 8N1: 10 bits per byte.
inline constexpr double kCorvidBytesPerSecond = 307200.0 / 10.0;

constexpr double WireMicros(double bytes, double bytes_per_second) {
  return bytes * 1e6 / bytes_per_second;
}

}  // namespace bench
