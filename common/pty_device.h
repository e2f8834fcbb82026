// Runs a DeviceModel behind a pseudo-terminal and links it as COMn in the port
// directory, so the programs reach it through their real serial code path.
#pragma once

#include <string>

#include "common/device_model.h"

namespace common {

struct PtyOptions {
  int port_number = 1;
  std::string port_dir;        // empty: PortDirectory()
  double micros_per_byte = 0;  // > 0: pace replies at this line rate
  bool verbose = false;        // log traffic to stderr
  std::string log_path;        // non-empty: append "> hex  t=<unix secs>" / "< hex ..." lines
};

// Serves the model until SIGINT/SIGTERM. Returns a process exit code.
int RunPtyDevice(DeviceModel& model, const PtyOptions& options);

}  // namespace common
