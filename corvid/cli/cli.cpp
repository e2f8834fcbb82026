#include "corvid/cli/cli.h"

#include <QString>
#include <memory>
#include <optional>

#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/tool_command_line.h"
#include "common/qtcore/trace_file.h"
#include "corvid/cli/commands.h"
#include "corvid/cli/exit_status.h"
#include "corvid/link/settings_store.h"
#include "corvid/session/corvid_app.h"

namespace corvid::cli {
namespace {

constexpr char kProgram[] = "corvid-cli";

constexpr char kStatuses[] =
    "Exit status: 0 done; 2 bad command line; 3 the port could not be opened;\n"
    "4 the device did not answer; 6 Check Outputs found an output at fault;\n"
    "8 a question needed an answer (run on a terminal, or with --yes); 9 answered no,\n"
    "nothing was switched; 10 standard output could not be written; 11 the trace file\n"
    "could not be written.";

QString Description() {
  QString text =
      "Talks to a switch pack or flash unit on Serial Bus #3 through serial port N (--port N)\n"
      "or to the built-in simulated one (--sim) and runs one command:\n";
  for (const CliCommand& command : Commands()) {
    text += QStringLiteral("  %1\n      %2\n").arg(command.synopsis, command.summary);
  }
  return text + kStatuses;
}

// The calibration settings (Check Outputs needs the load resistors) are the window's;
// the port and slot are the command line's, and stay in memory.
std::unique_ptr<SettingsStore> RunStore(bool sim, int port, int slot) {
  LinkSettings settings = CorvidSettingsStore(sim)->Load();
  settings.PortNumber = port;
  settings.SlotAddress = slot;
  return std::make_unique<SettingsStore>(settings);
}

}  // namespace

const std::vector<CliCommand>& Commands() {
  static const std::vector<CliCommand> commands = {IdentifyCommand(), StatusCommand(),
                                                   WatchCommand(), CheckOutputsCommand()};
  return commands;
}

int NotResponding(CliContext& context) {
  context.prompts.Show({.title = "Corvid",
                        .text = "Device Not Responding",
                        .buttons = common::Buttons::kOk,
                        .icon = common::Icon::kCritical,
                        .detail = {}});
  return kExitNoAnswer;
}

bool Write(CliContext& context, const std::string& text) {
  return common::WriteOutput(context.out, text, context.err, QString::fromLatin1(kProgram));
}

int RunCorvidCli(const QStringList& arguments, std::FILE* out, std::FILE* err, int check_pause_ms) {
  common::ToolCommandLine line(kProgram, Description());
  line.SetStreams(out, err);
  line.AddValue({"port"}, "N", "the device on serial port N (COMN)");
  line.AddFlag({"sim"}, "the built-in simulated switch pack instead of a port");
  line.AddValue({"slot"}, "S", "the device's slot address, 1-31 (default 1)");
  line.AddValue({"format"}, "FORMAT",
                "text (default: aligned, with units), csv (a header line with the units, then "
                "a row a reading) or json (an object a reading, one a line)");
  line.AddFlag({"yes"}, "answer yes to the questions a command asks");
  line.AddValue({"trace"}, "FILE",
                "write the link trace to FILE as the run goes: every command, every answer or "
                "its absence and stray bytes, one line each (the format of the window's Link "
                "Trace)");
  line.AddPositional("command", "the command, then its words", "command [words...]");
  for (const CliCommand& command : Commands()) {
    if (command.add_options) command.add_options(line);
  }
  if (const auto status = line.Parse(arguments)) return *status;

  const QStringList words = line.Positional();
  const CliCommand* command = nullptr;
  if (words.isEmpty()) {
    line.Fail("no command given");
  } else {
    for (const CliCommand& candidate : Commands()) {
      if (words.front() == candidate.name) command = &candidate;
    }
    if (command == nullptr) line.Fail(QStringLiteral("unknown command '%1'").arg(words.front()));
    if (words.size() > 1) line.Fail(QStringLiteral("unexpected word '%1'").arg(words[1]));
  }
  const bool sim = line.IsSet("sim");
  const auto port = line.Whole("port", common::kMinPortNumber, common::kMaxPortNumber);
  if (sim == line.IsSet("port")) line.Fail("give either --port N or --sim");
  const auto slot = line.Whole("slot", kMinSlotAddress, kMaxSlotAddress);
  const auto format = line.Format();
  for (const char* option : {"seconds", "every"}) {
    if (line.IsSet(option) && (command == nullptr || QString(command->name) != "watch")) {
      line.Fail(QStringLiteral("--%1 belongs to watch").arg(option));
    }
  }
  if (command != nullptr && command->check) command->check(line);
  const std::optional<QString> trace_path = line.IsSet("trace") ? line.Text("trace") : std::nullopt;
  if (const auto status = line.Finish()) return *status;

  common::ToolTrace trace(kProgram, err);
  if (!trace.Open(trace_path)) return kExitTrace;

  auto options = common::TerminalPrompts::TerminalOptions(line.IsSet("yes"));
  options.err = err;
  common::TerminalPrompts prompts(options);
  CorvidApp app(
      CorvidPortSetup(sim), prompts,
      RunStore(sim, static_cast<int>(port.value_or(1)), static_cast<int>(slot.value_or(1))));
  trace.Attach(app.Tap());
  Session& session = app.session();
  session.Start();
  // The commands pace their own exchanges; the window's poll tick stays out of them.
  session.Loop().Suspend();
  int status = kExitPort;  // the session has said why
  if (app.Port().IsOpen()) {
    CliContext context{app, prompts, line, format, out, err, check_pause_ms};
    status = command->run(context);
    // A command that says it is done must have got its output out.
    if (status == kExitOk && !Write(context, {})) status = kExitOutput;
  }
  session.Close();
  if (!trace.Finish() && status == kExitOk) status = kExitTrace;
  return status;
}

}  // namespace corvid::cli
