#include <algorithm>
#include <optional>

#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/tool_command_line.h"
#include "common/qtcore/watch_loop.h"
#include "tessera/cli/commands.h"
#include "tessera/cli/exit_status.h"
#include "tessera/core/io_mapping.h"
#include "tessera/session/tessera_app.h"

namespace tessera::cli {
namespace {

constexpr double kMaxSeconds = 2e6;  // within what a timer can wait

common::Reading InputsReading(const InputLamps& lamps) {
  common::Reading reading;
  reading.Text("time", "Time", common::IsoLocalTimeNow());
  for (int i = 0; i < kInputPoints; ++i) {
    const std::string key = i == 54 ? "active" : "io_" + PointCaption(i).substr(5);
    reading.Flag(key, PointCaption(i), lamps.points[i]);
  }
  for (int i = 0; i < kOptoInputs; ++i) {
    reading.Flag("opto_" + std::to_string(i + 1), OptoCaption(i), lamps.opto[i]);
  }
  return reading;
}

// For people a watched line names only what changed ("I/O #05 on, Opto #2 off"); the
// first names what is on.
std::string ChangesLine(const common::Reading& now, const common::Reading* before) {
  std::string line = now.Fields().front().value + "  ";
  std::string names;
  for (std::size_t i = 1; i < now.Fields().size(); ++i) {
    const common::ReadingField& f = now.Fields()[i];
    if (before ? f.value == before->Fields()[i].value : f.value == "0") continue;
    if (!names.empty()) names += ", ";
    names += f.caption + (f.value == "1" ? " on" : " off");
  }
  return line + (names.empty() ? "nothing on" : names) + "\n";
}

int Inputs(CliContext& context) {
  Session& session = context.app.session();
  const bool watch = context.line.IsSet("watch");
  const auto seconds = context.line.Real("seconds", 0, kMaxSeconds);
  int status = kExitOk;
  std::optional<common::Reading> last;
  const auto take = [&] {
    if (!session.SendInputFrame()) {
      if (!last) status = NotResponding(context);
      return status == kExitOk;  // a missed poll while watching is only a gap
    }
    const common::Reading reading = InputsReading(InputDataToForm(context.app.State().input_data));
    std::string text;
    if (!watch) {
      text = common::FormatSingleReading(context.format, reading);
    } else if (last && std::equal(reading.Fields().begin() + 1, reading.Fields().end(),
                                  last->Fields().begin() + 1, [](const auto& a, const auto& b) {
                                    return a.value == b.value;
                                  })) {
      return true;
    } else if (context.format == common::ReadingFormat::kText) {
      text = ChangesLine(reading, last ? &*last : nullptr);
    } else {
      text = common::FormatReading(context.format, reading, !last);
    }
    last = reading;
    if (!common::WriteOutput(context.out, text, context.err, QStringLiteral("tessera-cli"))) {
      status = kExitOutput;
    }
    return status == kExitOk && watch;
  };
  if (watch) {
    common::WatchLoop(Session::kPollIntervalMs, seconds, take);
  } else {
    take();
  }
  return status;
}

}  // namespace

CliCommand InputsCommand() {
  return {
      "inputs",
      "inputs [--watch [--seconds S]]",
      "prints the I/O points and opto inputs of one poll by their captions in the window;\n"
      "      --watch polls on and prints a line for each change until S seconds have passed\n"
      "      or the run is interrupted (Ctrl-C ends it after a whole line)",
      [](common::ToolCommandLine& line) {
        line.AddFlag({"watch"}, "inputs: poll on and print a line for each change");
        line.AddValue({"seconds"}, "S", "inputs --watch: stop after S seconds");
      },
      Inputs,
      [](common::ToolCommandLine& line) {
        line.Real("seconds", 0, kMaxSeconds);
        if (line.IsSet("seconds") && !line.IsSet("watch")) line.Fail("--seconds needs --watch");
      },
  };
}

}  // namespace tessera::cli
