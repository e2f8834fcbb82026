// The commands of corvid-cli, each in its own file.
#pragma once

#include "corvid/cli/cli.h"

namespace corvid::cli {

// The device type, ID text and firmware, as About Device shows them.
CliCommand IdentifyCommand();
// One status and one diagnostic reading, with the link counters.
CliCommand StatusCommand();
// A status reading a line until --seconds pass or the run is interrupted.
CliCommand WatchCommand();
// The Check Outputs procedure; its findings on standard error.
CliCommand CheckOutputsCommand();

}  // namespace corvid::cli
