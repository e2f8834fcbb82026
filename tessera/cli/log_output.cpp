#include "tessera/cli/log_output.h"

#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/tool_command_line.h"
#include "tessera/cli/exit_status.h"
#include "tessera/core/report.h"

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
  return common::WriteOutput(context.out, logs::ReportFileContent(log_text), context.err,
                             QStringLiteral("tessera-cli"));
}

}  // namespace tessera::cli
