// Runs a DeviceModel behind a pseudo-terminal and links it as COMn in the port
// directory, so the programs reach it through their real serial code path.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/core/device_model.h"
#include "common/core/line_faults.h"
#include "common/core/trace_record.h"

namespace common {

struct PtyOptions {
  int port_number = 1;
  std::string port_dir;        // empty: PortDirectory()
  double micros_per_byte = 0;  // > 0: pace replies at this line rate
  bool verbose = false;        // log traffic to stderr
  std::string log_path;        // non-empty: append "> hex  t=<unix secs>" / "< hex ..." lines
  std::string trace_path;      // non-empty: the link trace as the device sees it (TraceFile)
  // Names and judges a block for the trace by the device's protocol; without it the
  // records carry the bytes only.
  std::function<TraceRecord(TraceDirection, ByteView)> describe;
  // Faults on a schedule from the first request; each start and end is logged as
  // "! fault NAME on|off  t=...". Answers are mangled as reply_faults says.
  FaultPlan faults;
  ReplyFaults reply_faults;
  std::uint32_t fault_seed = 1;
  // Told when a fault starts (true) and ends: the model switches its own faults.
  std::function<void(LineFault, bool)> on_fault;
};

// Serves the model until SIGINT/SIGTERM. Returns a process exit code.
int RunPtyDevice(DeviceModel& model, const PtyOptions& options);

}  // namespace common
