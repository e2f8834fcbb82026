// Command line of tbx-sim: the simulated unit's options and where it is served.
#pragma once

#include <QStringList>
#include <cstdio>
#include <variant>

#include "common/qtcore/pty_device.h"
#include "tessera/sim/tbx_loader.h"
#include "tessera/sim/tbx_logs.h"
#include "tessera/sim/tbx_model.h"

namespace tessera::sim {

struct TbxSimArgs {
  TbxOptions model;
  TbxLogSetup logs;
  common::PtyOptions pty;
  TbxLoaderOptions loader;
};

// The arguments after the program name. An int is the exit status when the
// program is to end now (after --help, --version or a bad line, already reported
// on `out` or `err`).
std::variant<TbxSimArgs, int> ParseTbxSimArgs(const QStringList& arguments, std::FILE* out = stdout,
                                              std::FILE* err = stderr);

}  // namespace tessera::sim
