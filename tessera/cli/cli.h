// tessera-cli: the terminal front end over Tessera's session. One command a run
// (identify, events, transitions, flash ...) against a unit on a port or the
// built-in simulated unit; results on standard output, messages on standard error
// with the texts the windows show, and an exit status for each kind of failure.
#pragma once

#include <QStringList>
#include <cstdio>
#include <functional>

#include "common/core/reading_format.h"

namespace common {
class TerminalPrompts;
class ToolCommandLine;
}  // namespace common

namespace tessera {
class TesseraApp;
}

namespace tessera::cli {

// What a command works with: the started session, the prompts, the command line
// (its options and the words after the command), and the two streams.
struct CliContext {
  TesseraApp& app;
  common::TerminalPrompts& prompts;
  common::ToolCommandLine& line;
  QStringList arguments;  // the words after the command's name
  common::ReadingFormat format = common::ReadingFormat::kText;  // --format
  std::FILE* out;
  std::FILE* err;
};

struct CliCommand {
  const char* name;
  const char* synopsis;  // "events [--clear]"
  const char* summary;
  // Adds the command's own options (all commands' options are known up front).
  std::function<void(common::ToolCommandLine&)> add_options;
  std::function<int(CliContext&)> run;
  // Checks the command's options before the port is opened (ToolCommandLine::Fail).
  std::function<void(common::ToolCommandLine&)> check = nullptr;
};

// The commands tessera-cli knows, in the order --help lists them.
const std::vector<CliCommand>& Commands();

// The whole program after QCoreApplication exists: returns the exit status.
int RunTesseraCli(const QStringList& arguments, std::FILE* out = stdout, std::FILE* err = stderr);

// The unit did not answer the first input request: the window's box, and the exit
// status that says so.
int NotResponding(CliContext& context);

}  // namespace tessera::cli
