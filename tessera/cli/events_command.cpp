#include <unistd.h>

#include <QObject>
#include <memory>

#include "common/qtcore/progress_meter.h"
#include "common/qtcore/tool_command_line.h"
#include "tessera/cli/commands.h"
#include "tessera/cli/exit_status.h"
#include "tessera/cli/log_output.h"
#include "tessera/core/log_text.h"
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
        // A full log takes over two minutes at 19 200 baud: a bar on a terminal says how
        // far it is; a script's log file gets nothing.
        std::unique_ptr<common::ProgressMeter> meter;
        QObject listening;
        if (::isatty(::fileno(context.err)) != 0) {
          QObject::connect(&routines, &logs::LogRoutines::ReadEventsProgress, &listening,
                           [&meter, &context](int received, int total) {
                             if (!meter) {
                               meter = std::make_unique<common::ProgressMeter>("records", total,
                                                                               context.err);
                             }
                             meter->Update(received);
                           });
        }
        const logs::LogRead read = routines.ReadEvents();
        meter.reset();
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
