#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/tool_command_line.h"
#include "tessera/cli/commands.h"
#include "tessera/cli/exit_status.h"
#include "tessera/cli/log_output.h"
#include "tessera/core/log_text.h"
#include "tessera/core/transition_log.h"
#include "tessera/session/tessera_app.h"

namespace tessera::cli {
namespace {

// Block numbers are one byte: 255 polls after start-up reach block 255, the next
// would ask for block 0 again.
constexpr int kMaxBlocks = 255;

}  // namespace

CliCommand TransitionsCommand() {
  return {
      "transitions",
      "transitions --count K | --all",
      "polls transition blocks 1 to K as K clicks of \"Get Block\" would (--all: while\n"
      "      a block says more are available, at most 255) and writes what saving the\n"
      "      transition window would write",
      [](common::ToolCommandLine& line) {
        line.AddValue({"count"}, "K", "transitions: poll blocks 1 to K (1-255)");
        line.AddFlag({"all"}, "transitions: poll while more blocks are available");
      },
      [](CliContext& context) {
        const bool all = context.line.IsSet("all");
        const int count =
            all ? kMaxBlocks : static_cast<int>(*context.line.Whole("count", 1, kMaxBlocks));
        SessionState& state = context.app.State();
        logs::LogRoutines& routines = context.app.Logs();
        logs::LogText log;
        bool more = false;
        for (int block = 1; block <= count; ++block) {
          state.transition_block = logs::NextTransBlock(state.transition_block);
          const logs::LogRead read = routines.PollTransition();
          // Blocks already read are not written: a report is whole or not at all.
          if (read.outcome != logs::ReadOutcome::kRead) return ReportLogFailure(context, read);
          log.Append(read.text);
          more = (read.status & logs::kMoreBlocks) != 0;
          if (all && !more) break;
        }
        if (!WriteReport(context, log.Text())) return kExitOutput;
        if (all && more) {
          context.prompts.Show(
              {.title = QStringLiteral("Transition Buffer Log"),
               .text = QStringLiteral("More blocks are available after block %1.").arg(kMaxBlocks),
               .buttons = common::Buttons::kOk,
               .icon = common::Icon::kWarning,
               .detail = {}});
        }
        return kExitOk;
      },
      [](common::ToolCommandLine& line) {
        if (line.IsSet("all") == line.IsSet("count")) {
          line.Fail("transitions needs either --count K or --all");
        }
        line.Whole("count", 1, kMaxBlocks);
        if (line.IsSet("clear")) line.Fail("--clear belongs to events");
      },
  };
}

}  // namespace tessera::cli
