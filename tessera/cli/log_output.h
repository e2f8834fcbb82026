// What the log commands of tessera-cli share: a failed read reported with the texts
// the windows use, and the report written to standard output exactly as saving the
// window would write it.
#pragma once

#include <string>

#include "tessera/cli/cli.h"
#include "tessera/session/log_routines.h"

namespace tessera::cli {

// "Communications Error: Rx Timeout Error" (and the like) on standard error; the exit
// status for a unit that did not answer or answered with something unusable.
int ReportLogFailure(CliContext& context, const logs::LogRead& read);

// The report of `log_text` (the text plus CR LF) on standard output. False, with the
// reason on standard error, when it could not be written.
bool WriteReport(CliContext& context, const std::string& log_text);

}  // namespace tessera::cli
