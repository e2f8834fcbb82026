#include "common/tool_command_line.h"
#include "tessera/cli/commands.h"
#include "tessera/cli/exit_status.h"
#include "tessera/cli/log_output.h"
#include "tessera/logs/log_text.h"
#include "tessera/session/tessera_app.h"

namespace tessera::cli {

CliCommand EventsCommand() {
  return {
      "events",
      "events [--clear]",
      "reads the event log once and writes what saving the event-log window after\n"
      "      that read would write; --clear then clears the unit's log",
      [](common::ToolCommandLine& line) {
        line.AddFlag({"clear"}, "events: clear the unit's event log after it was read and written");
      },
      [](CliContext& context) {
        logs::LogRoutines& routines = context.app.Logs();
        const logs::LogRead read = routines.ReadEvents();
        if (read.outcome != logs::ReadOutcome::kRead) return ReportLogFailure(context, read);
        logs::LogText log;
        log.Append(read.text);
        // Only a log that is safely out may be cleared in the unit.
        if (!WriteReport(context, log.Text())) return kExitOutput;
        if (!context.line.IsSet("clear")) return kExitOk;
        const logs::LogRead cleared = routines.ClearEvents();
        if (cleared.outcome != logs::ReadOutcome::kRead) return ReportLogFailure(context, cleared);
        return kExitOk;
      },
      [](common::ToolCommandLine& line) {
        for (const char* other : {"count", "all"}) {
          if (line.IsSet(other))
            line.Fail(QStringLiteral("--%1 belongs to transitions").arg(other));
        }
      },
  };
}

}  // namespace tessera::cli
