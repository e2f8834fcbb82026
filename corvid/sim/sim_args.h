// Command line of switchpack-sim: the simulated device's options and where it is served.
#pragma once

#include <QStringList>
#include <cstdio>
#include <variant>

#include "common/qtcore/pty_device.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid {

struct SimArgs {
  SwitchPackOptions model;
  common::PtyOptions pty;
};

// The arguments after the program name. An int is the exit status when the
// program is to end now (after --help, --version or a bad line, already reported
// on `out` or `err`).
std::variant<SimArgs, int> ParseSimArgs(const QStringList& arguments, std::FILE* out = stdout,
                                        std::FILE* err = stderr);

}  // namespace corvid
