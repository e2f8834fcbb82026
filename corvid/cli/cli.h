// corvid-cli: the terminal front end over Corvid's session. One command a run
// (identify, status, watch, check-outputs) against a switch pack on a port or the
// built-in simulated one; readings on standard output as text, CSV or JSON, messages
// on standard error with the texts the windows show, an exit status for each failure.
#pragma once

#include <QStringList>
#include <cstdio>
#include <functional>
#include <vector>

#include "common/core/reading_format.h"
#include "corvid/session/check_outputs.h"

namespace common {
class TerminalPrompts;
class ToolCommandLine;
}  // namespace common

namespace corvid {
class CorvidApp;
}

namespace corvid::cli {

// What a command works with: the started session, the prompts, the command line,
// the chosen format and the two streams.
struct CliContext {
  CorvidApp& app;
  common::TerminalPrompts& prompts;
  common::ToolCommandLine& line;
  common::ReadingFormat format;
  std::FILE* out;
  std::FILE* err;
  int check_pause_ms;  // Check Outputs' pause between polls
};

struct CliCommand {
  const char* name;
  const char* synopsis;
  const char* summary;
  std::function<void(common::ToolCommandLine&)> add_options;
  std::function<int(CliContext&)> run;
  // Checks the command's options before the port is opened.
  std::function<void(common::ToolCommandLine&)> check = nullptr;
};

// The commands corvid-cli knows, in the order --help lists them.
const std::vector<CliCommand>& Commands();

// The whole program after QCoreApplication exists: returns the exit status. Tests
// shorten Check Outputs' pauses with check_pause_ms.
int RunCorvidCli(const QStringList& arguments, std::FILE* out = stdout, std::FILE* err = stderr,
                 int check_pause_ms = kCheckPauseMs);

// The device did not answer: the window's words on standard error, and the status.
int NotResponding(CliContext& context);
// Writes `text` to standard output; false (reason on standard error) when it failed.
bool Write(CliContext& context, const std::string& text);

}  // namespace corvid::cli
