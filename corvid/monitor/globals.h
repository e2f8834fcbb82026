// The program's application object: process-wide values and the services the
// windows share. Owned by main() (or a test) and handed to the windows by reference.
#pragma once

#include "corvid/link/link_settings.h"
#include "corvid/monitor/decode.h"

namespace common {
class Prompts;
class SerialPort;
}  // namespace common

namespace corvid {

class HdlcLink;
class SettingsStore;

namespace monitor {

// Values the poll cycle keeps; the identity fields are those of the last good
// identification.
struct Globals : DeviceIdentity {
  int PollCount = 0;    // 0-255, wraps
  long CalRequest = 0;  // non-zero: the next tick sends SetCalibration
};

struct CorvidApp {
  common::SerialPort& Comm1;
  common::Prompts& prompts;
  SettingsStore& store;
  HdlcLink& link;       // also holds the link counters
  LinkSettings settings;  // SlotAddress, PortNumber, calibration settings
  Globals globals;
};

}  // namespace monitor
}  // namespace corvid
