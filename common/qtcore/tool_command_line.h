// Command-line handling shared by the terminal programs (the simulators and the
// terminal tools): QCommandLineParser with --help and --version, option values
// read with their ranges, one wording for errors, exit status 2 for a bad line.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "common/core/line_faults.h"
#include "common/core/line_settings.h"
#include "common/core/port_numbers.h"
#include "common/core/program_help.h"
#include "common/core/reading_format.h"
#include "common/qtcore/pty_device.h"

namespace common {

inline constexpr int kUsageError = 2;
// Standard output could not be written (a full disk, a closed pipe): every tool ends
// with this status rather than 0 when what it printed did not arrive.
inline constexpr int kOutputError = 10;

// Writes `text` to `out` and flushes it. False when that or an earlier write to `out`
// failed; then "<program>: standard output: <reason>" goes to `err`.
bool WriteOutput(std::FILE* out, std::string_view text, std::FILE* err, const QString& program);

class ToolCommandLine {
 public:
  // `description`: its first line is the manual's one-line summary.
  ToolCommandLine(const QString& program, const QString& description);

  void AddFlag(const QStringList& names, const QString& help);
  void AddValue(const QStringList& names, const QString& value_name, const QString& help);
  // Words after the options (a tool's command and its files); without this call any
  // such word is refused.
  void AddPositional(const QString& name, const QString& help, const QString& syntax = {});
  QStringList Positional() const { return parser_.positionalArguments(); }
  // --port N (required), --port-dir DIR, --paced, --log FILE, --verbose, --trace FILE.
  void AddPtyOptions();
  // --fault KIND[,KIND...], --fault-after MS, --fault-for MS, --fault-every MS,
  // --fault-seed N: faults on a schedule (see FaultPlan). `kinds` are the ones the
  // device can do.
  void AddFaultOptions(const std::vector<LineFault>& kinds);

  // Parses the arguments that follow the program name. Returns an exit status when
  // the program is to end now: 0 after --help, --version or --man (text on
  // standard output; kOutputError when it could not be written), kUsageError after a bad line
  // (problem and help on standard error).
  std::optional<int> Parse(const QStringList& arguments);

  bool IsSet(const QString& name) const { return parser_.isSet(name); }
  QString Value(const QString& name) const { return parser_.value(name); }
  // The option's whole-number value within [low, high], in `base` (16 also takes
  // a 0x prefix; base 10 takes 0x too, for codes). nullopt when the option is
  // absent or bad; a bad value is kept as the line's error.
  std::optional<long long> Whole(const QString& name, long long low, long long high, int base = 10);
  std::optional<double> Real(const QString& name, double low, double high);
  // A non-empty text value; an empty one is an error.
  std::optional<QString> Text(const QString& name);
  // --format text|csv|json: text when absent; a bad name is kept as the line's error.
  ReadingFormat Format();
  // An error the program found itself ("--port is required").
  void Fail(const QString& problem);
  // After the values are read: kUsageError (reported) when any was bad.
  std::optional<int> Finish();

  // The pty options of AddPtyOptions() for a device on the given line, with the
  // faults of AddFaultOptions() when it was called.
  PtyOptions Pty(const LineSettings& line);

  QString Error() const { return error_; }
  // What --help says, as the manual page (--man) is made from it too.
  const ProgramHelp& Help() const { return help_; }
  QString HelpText() const { return parser_.helpText(); }
  // Where the texts go (standard output and error unless a test says otherwise).
  void SetStreams(std::FILE* out, std::FILE* err) {
    out_ = out;
    err_ = err;
  }

 private:
  int Report();

  QString program_;
  QCommandLineParser parser_;
  ProgramHelp help_;
  bool positional_allowed_ = false;
  std::vector<LineFault> fault_kinds_;
  QString error_;
  std::FILE* out_ = stdout;
  std::FILE* err_ = stderr;
};

}  // namespace common
