// A simulated device: bytes in, bytes out. Plain C++ so the same model serves
// in-process tests, the /sim mode and the pty simulators.
#pragma once

#include "common/core/bytes.h"

namespace common {

struct DeviceReply {
  Bytes bytes;
  int delay_ms = 0;  // how long the device thinks before answering
};

class DeviceModel {
 public:
  virtual ~DeviceModel() = default;
  // Bytes the host wrote (any split: a frame may arrive in pieces or several at
  // once). Returns what the device sends back, possibly nothing.
  virtual DeviceReply Receive(ByteView bytes) = 0;
};

}  // namespace common
