#include "common/qtcore/tool_command_line.h"
#include "common/qtcore/watch_loop.h"
#include "corvid/cli/commands.h"
#include "corvid/cli/exit_status.h"
#include "corvid/cli/readings.h"
#include "corvid/session/corvid_app.h"

namespace corvid::cli {
namespace {

constexpr int kMinEveryMs = 10;
constexpr int kMaxEveryMs = 3600 * 1000;
constexpr double kMaxSeconds = 2e6;  // within what a timer can wait

int Watch(CliContext& context) {
  Session& session = context.app.session();
  const auto seconds = context.line.Real("seconds", 0, kMaxSeconds);
  const int every = static_cast<int>(
      context.line.Whole("every", kMinEveryMs, kMaxEveryMs).value_or(Session::kPollIntervalMs));

  int status = kExitOk;
  bool first = true, answering = true;
  common::WatchLoop(every, seconds, [&] {
    if (session.GetStatus()) {
      answering = true;
      common::Reading reading;
      reading.Text("time", "Time", common::IsoLocalTimeNow());
      AddStatus(reading, *session.LastStatus());
      if (!Write(context, common::FormatReading(context.format, reading, first))) {
        status = kExitOutput;
      }
      first = false;
    } else if (first) {
      status = NotResponding(context);
    } else if (answering) {
      // Said once; the lines go on when it answers again.
      NotResponding(context);
      answering = false;
    }
    return status == kExitOk;
  });
  return status;
}

}  // namespace

CliCommand WatchCommand() {
  return {
      "watch",
      "watch [--seconds S] [--every MS]",
      "prints a status reading a line at the poll rate (or every MS milliseconds) until\n"
      "      S seconds have passed or the run is interrupted (Ctrl-C ends it after a whole line)",
      [](common::ToolCommandLine& line) {
        line.AddValue({"seconds"}, "S", "watch: stop after S seconds");
        line.AddValue({"every"}, "MS", "watch: a reading every MS milliseconds (default 50)");
      },
      Watch,
      [](common::ToolCommandLine& line) {
        line.Real("seconds", 0, kMaxSeconds);
        line.Whole("every", kMinEveryMs, kMaxEveryMs);
      },
  };
}

}  // namespace corvid::cli
