// The commands of tessera-cli, each in its own file.
#pragma once

#include "tessera/cli/cli.h"

namespace tessera::cli {

// Prints the unit address line (as the window caption shows it) and the firmware text.
CliCommand IdentifyCommand();
// The I/O points and opto inputs of one poll (--watch: a line for each change).
CliCommand InputsCommand();
// Writes the unit's event log as saving the event-log window would; --clear then clears it.
CliCommand EventsCommand();
// Polls transition blocks 1 to K (--count K) or while more are available (--all).
CliCommand TransitionsCommand();
// Updates the unit's firmware from an Intel HEX file, as Help, "&Firmware Update" does.
CliCommand FlashCommand();

}  // namespace tessera::cli
