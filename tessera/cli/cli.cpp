#include "tessera/cli/cli.h"

#include <QString>
#include <optional>

#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/tool_command_line.h"
#include "common/qtcore/trace_file.h"
#include "tessera/cli/commands.h"
#include "tessera/cli/exit_status.h"
#include "tessera/session/tessera_app.h"

namespace tessera::cli {
namespace {

constexpr char kStatuses[] =
    "Exit status: 0 done; 2 bad command line; 3 the port could not be opened;\n"
    "4 the unit refused or did not answer; 5 the unit's answer could not be used;\n"
    "6 a file was refused before anything was sent; 7 an update failed after the unit\n"
    "was erased (the unit waits in its flash loader); 8 a question needed an answer\n"
    "(run on a terminal, or with --yes); 9 cancelled at a question, nothing was changed;\n"
    "10 standard output could not be written; 11 the trace file could not be written.";

// The commands whose output --format chooses.
bool TakesFormat(const CliCommand& command) {
  return QString(command.name) == "identify" || QString(command.name) == "inputs";
}

QString Description() {
  QString text =
      "Talks to a TBX cabinet I/O unit on a serial port (--port N) or to the built-in\n"
      "simulated unit (--sim) and runs one command:\n";
  for (const CliCommand& command : Commands()) {
    text += QStringLiteral("  %1\n      %2\n").arg(command.synopsis, command.summary);
  }
  return text + kStatuses;
}

}  // namespace

const std::vector<CliCommand>& Commands() {
  static const std::vector<CliCommand> commands = {
      IdentifyCommand(), InputsCommand(), EventsCommand(), TransitionsCommand(), FlashCommand()};
  return commands;
}

int NotResponding(CliContext& context) {
  context.prompts.Show({.title = "Tessera",
                        .text = "TBX Not Responding",
                        .buttons = common::Buttons::kOk,
                        .icon = common::Icon::kCritical,
                        .detail = {}});
  return kExitNoAnswer;
}

int RunTesseraCli(const QStringList& arguments, std::FILE* out, std::FILE* err) {
  common::ToolCommandLine line("tessera-cli", Description());
  line.SetStreams(out, err);
  line.AddValue({"port"}, "N", "the unit on serial port N (COMN)");
  line.AddFlag({"sim"}, "the built-in simulated unit instead of a port");
  line.AddFlag({"yes"}, "answer yes to the questions a command asks");
  line.AddValue({"trace"}, "FILE",
                "write the link trace to FILE as the run goes: every request, every answer or "
                "its absence and stray bytes, one line each (the format of the windows' Link "
                "Trace)");
  line.AddValue({"format"}, "FORMAT",
                "identify and inputs: text (default), csv (a header line, then a row a reading) or "
                "json (an object a reading, one a line)");
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
  }
  const bool sim = line.IsSet("sim");
  const auto port = line.Whole("port", common::kMinPortNumber, common::kMaxPortNumber);
  if (sim == line.IsSet("port")) line.Fail("give either --port N or --sim");
  const auto format = line.Format();
  if (line.IsSet("format") && command != nullptr && !TakesFormat(*command)) {
    line.Fail(QStringLiteral("--format belongs to identify and inputs"));
  }
  for (const char* option : {"watch", "seconds"}) {
    if (line.IsSet(option) && (command == nullptr || QString(command->name) != "inputs")) {
      line.Fail(QStringLiteral("--%1 belongs to inputs").arg(option));
    }
  }
  if (command != nullptr && command->check) command->check(line);
  const std::optional<QString> trace_path = line.IsSet("trace") ? line.Text("trace") : std::nullopt;
  if (const auto status = line.Finish()) return *status;

  common::ToolTrace trace("tessera-cli", err);
  if (!trace.Open(trace_path)) return kExitTrace;

  auto options = common::TerminalPrompts::TerminalOptions(line.IsSet("yes"));
  options.err = err;
  common::TerminalPrompts prompts(options);
  TesseraApp app(TesseraPortSetup(sim), prompts);
  trace.Attach(app.Tap());
  // "/kal": the extended command set is what a terminal tool is for.
  const QString session_line = QStringLiteral("/comm=%1 /kal").arg(sim ? 1 : *port);
  int status = kExitPort;
  if (app.session().Start(session_line, false)) {
    CliContext context{app, prompts, line, words.mid(1), format, out, err};
    status = command->run(context);
    // A command that says it is done must have got its output out.
    if (status == kExitOk && !common::WriteOutput(out, {}, err, QStringLiteral("tessera-cli"))) {
      status = kExitOutput;
    }
    app.session().Close();
  }
  // The command's own failure says more; a run that went well says this.
  if (!trace.Finish() && status == kExitOk) status = kExitTrace;
  return status;
}

}  // namespace tessera::cli
