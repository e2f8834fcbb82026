// Command line of switchpack-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/pty_device.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid {

struct SimArgs {
  SwitchPackOptions model;
  common::PtyOptions pty;
  bool paced = false;
  bool help = false;  // --help: print the usage and exit 0
};

// Usage text printed on bad arguments.
std::string SimUsage();
// Parses argv[1..]; nullopt (with error set) on a bad or missing argument.
std::optional<SimArgs> ParseSimArgs(const std::vector<std::string>& args, std::string& error);

}  // namespace corvid
