#include <QObject>
#include <optional>

#include "corvid/cli/commands.h"
#include "corvid/cli/exit_status.h"
#include "corvid/cli/readings.h"
#include "corvid/session/corvid_app.h"

namespace corvid::cli {

CliCommand StatusCommand() {
  return {
      "status",
      "status",
      "prints one status and one diagnostic reading: mains, each output's voltage, current,\n"
      "      on and fault bits, the status bits, the temperature, the device's counters and\n"
      "      the link counters",
      nullptr,
      [](CliContext& context) {
        Session& session = context.app.session();
        // The session keeps the last status, not the last diagnostic.
        std::optional<monitor::DiagnosticReading> diagnostic;
        QObject listening;
        QObject::connect(&session, &Session::DiagnosticChanged, &listening,
                         [&diagnostic](const monitor::DiagnosticReading& r) { diagnostic = r; });
        if (!session.GetStatus() || !session.GetDiagnostic()) return NotResponding(context);
        common::Reading reading;
        reading.Text("time", "Time", common::IsoLocalTimeNow());
        AddStatus(reading, *session.LastStatus());
        AddDiagnostic(reading, *diagnostic);
        AddLinkCounters(reading, session.Counters());
        return Write(context, common::FormatSingleReading(context.format, reading)) ? kExitOk
                                                                                    : kExitOutput;
      },
  };
}

}  // namespace corvid::cli
