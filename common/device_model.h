// A simulated device: bytes in, bytes out. Plain C++ so the same model serves
// in-process tests, the /sim mode and the pty simulators.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace common {

struct DeviceReply {
  std::vector<std::uint8_t> bytes;
  int delay_ms = 0;  // how long the device thinks before answering
};

class DeviceModel {
 public:
  virtual ~DeviceModel() = default;
  // Bytes the host wrote (any split: a frame may arrive in pieces or several at
  // once). Returns what the device sends back, possibly nothing.
  virtual DeviceReply Receive(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace common
