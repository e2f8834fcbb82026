// The commands of tessera-cli, each in its own file.
#pragma once

#include "tessera/cli/cli.h"

namespace tessera::cli {

// Prints the unit address line (as the window caption shows it) and the firmware text.
CliCommand IdentifyCommand();
// Updates the unit's firmware from an Intel HEX file, as Help, "&Firmware Update" does.
CliCommand FlashCommand();

}  // namespace tessera::cli
