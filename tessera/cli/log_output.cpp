#include "tessera/cli/log_output.h"

#include <cerrno>
#include <cstring>

#include "common/terminal_prompts.h"
#include "tessera/cli/exit_status.h"
#include "tessera/logs/report.h"

namespace tessera::cli {

int ReportLogFailure(CliContext& context, const logs::LogRead& read) {
  context.prompts.Show({.title = QStringLiteral("Communications Error"),
                        .text = read.failure,
                        .buttons = common::Buttons::kOk,
                        .icon = common::Icon::kCritical,
                        .detail = {}});
  return read.outcome == logs::ReadOutcome::kBadAnswer ? kExitBadAnswer : kExitNoAnswer;
}

bool WriteReport(CliContext& context, const std::string& log_text) {
  const std::string report = logs::ReportFileContent(log_text);
  errno = 0;
  const bool written = std::fwrite(report.data(), 1, report.size(), context.out) == report.size();
  if (std::fflush(context.out) == 0 && written && !std::ferror(context.out)) return true;
  std::fprintf(context.err, "tessera-cli: standard output: %s\n",
               errno != 0 ? std::strerror(errno) : "write failed");
  return false;
}

}  // namespace tessera::cli
