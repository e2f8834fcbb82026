#include "common/qtcore/tool_command_line.h"

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace common {

namespace {

std::string Names(const QStringList& names) {
  QStringList dashed;
  for (const QString& name : names) dashed << (name.size() == 1 ? "-" : "--") + name;
  return dashed.join(", ").toStdString();
}

}  // namespace

ToolCommandLine::ToolCommandLine(const QString& program, const QString& description)
    : program_(program) {
  parser_.setApplicationDescription(description);
  parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser_.addHelpOption();
  parser_.addVersionOption();
  QCommandLineOption man("man", "print the manual page (roff)");
  man.setFlags(QCommandLineOption::HiddenFromHelp);
  parser_.addOption(man);
  help_.name = program.toStdString();
  // The first sentence names what the program does (the manual's NAME line).
  QString first = description;
  first.replace('\n', ' ');
  qsizetype end = first.size();
  for (const QString& stop : {QStringLiteral(". "), QStringLiteral(":")}) {
    const qsizetype at = first.indexOf(stop);
    if (at >= 0) end = std::min(end, at);
  }
  if (first.left(end).endsWith('.')) --end;
  help_.summary = first.left(end).trimmed().toStdString();
  help_.description = description.toStdString();
  help_.synopsis = "[options]";
  help_.options.push_back({"-h, --help", "", "print this help and exit"});
  help_.options.push_back({"-v, --version", "", "print the version and exit"});
  // Every tool takes --port N: its manual says how N finds the device.
  help_.sections.push_back(SerialPortsSection());
}

void ToolCommandLine::AddFlag(const QStringList& names, const QString& help) {
  parser_.addOption(QCommandLineOption(names, help));
  help_.options.push_back({Names(names), "", help.toStdString()});
}

void ToolCommandLine::AddValue(const QStringList& names, const QString& value_name,
                               const QString& help) {
  parser_.addOption(QCommandLineOption(names, help, value_name));
  help_.options.push_back({Names(names), value_name.toStdString(), help.toStdString()});
}

void ToolCommandLine::AddPositional(const QString& name, const QString& help,
                                    const QString& syntax) {
  parser_.addPositionalArgument(name, help, syntax);
  positional_allowed_ = true;
  help_.synopsis += " " + (syntax.isEmpty() ? name : syntax).toStdString();
}

void ToolCommandLine::AddPtyOptions() {
  AddValue({"port"}, "N",
           QStringLiteral("serve the device as COM<N>, 1-%1 (required)").arg(kMaxPortNumber));
  AddValue({"port-dir"}, "DIR",
           "directory of the COM<N> link (default: $CABINET_COM_DIR or "
           "~/.config/cabinet-tools/com)");
  AddFlag({"paced"}, "send answers at the device's line rate");
  AddValue({"log"}, "FILE", "append the traffic as '> hex' / '< hex' lines to FILE");
  AddFlag({"verbose"}, "print the traffic on standard error");
  AddValue({"trace"}, "FILE",
           "write the link trace to FILE as the device sees it, one line per block it reads "
           "or sends (the programs' Link Trace format)");
}

void ToolCommandLine::AddFaultOptions(const std::vector<LineFault>& kinds) {
  fault_kinds_ = kinds;
  QStringList names;
  for (LineFault kind : kinds) names << QString::fromLatin1(LineFaultName(kind).data());
  AddValue({"fault"}, "KINDS", "faults, comma-separated, one after another: " + names.join(", "));
  AddValue({"fault-after"}, "MS", "first fault this long after the first request (default 1000)");
  AddValue({"fault-for"}, "MS", "each fault lasts this long (default 1000)");
  AddValue({"fault-every"}, "MS",
           "a fault starts every MS, the list repeating for ever (default: each kind once, "
           "with a gap as long as a fault between two)");
  AddValue({"fault-seed"}, "N", "seed of the noise and cuts, so runs repeat (default 1)");
}

bool WriteOutput(std::FILE* out, std::string_view text, std::FILE* err, const QString& program) {
  errno = 0;
  // fwrite may not be handed the null pointer of an empty view.
  const bool written = text.empty() || std::fwrite(text.data(), 1, text.size(), out) == text.size();
  const int write_reason = errno;
  const bool flushed = std::fflush(out) == 0;
  const int reason = flushed ? write_reason : errno;
  if (written && flushed && !std::ferror(out)) return true;
  std::fprintf(err, "%s: standard output: %s\n", qPrintable(program),
               reason != 0 ? std::strerror(reason) : "write failed");
  return false;
}

std::optional<int> ToolCommandLine::Parse(const QStringList& arguments) {
  error_.clear();
  if (!parser_.parse(QStringList{program_} + arguments)) {
    Fail(parser_.errorText());
    return Report();
  }
  const auto written = [this](const std::string& text) {
    return WriteOutput(out_, text, err_, program_) ? 0 : kOutputError;
  };
  if (parser_.isSet("help")) return written(parser_.helpText().toStdString());
  if (parser_.isSet("man")) {
    return written(ManPage(help_, QCoreApplication::applicationVersion().toStdString()));
  }
  if (parser_.isSet("version")) {
    return written((program_ + ' ' + QCoreApplication::applicationVersion() + '\n').toStdString());
  }
  if (!positional_allowed_ && !parser_.positionalArguments().isEmpty()) {
    Fail(QStringLiteral("unexpected argument '%1'").arg(parser_.positionalArguments().front()));
    return Report();
  }
  return std::nullopt;
}

std::optional<long long> ToolCommandLine::Whole(const QString& name, long long low, long long high,
                                                int base) {
  if (!parser_.isSet(name)) return std::nullopt;
  QString text = parser_.value(name).trimmed();
  if (text.startsWith("0x", Qt::CaseInsensitive)) {
    text = text.mid(2);
    base = 16;
  }
  bool ok = false;
  const long long value = text.toLongLong(&ok, base);
  if (!ok || value < low || value > high) {
    const QString range = base == 16 ? QStringLiteral("%1-%2")
                                           .arg(low, 2, 16, QLatin1Char('0'))
                                           .arg(high, 2, 16, QLatin1Char('0'))
                                           .toUpper()
                                     : QStringLiteral("%1-%2").arg(low).arg(high);
    Fail(QStringLiteral("--%1 needs a %2 %3, not '%4'")
             .arg(name, base == 16 ? "hexadecimal number" : "number", range, parser_.value(name)));
    return std::nullopt;
  }
  return value;
}

std::optional<double> ToolCommandLine::Real(const QString& name, double low, double high) {
  if (!parser_.isSet(name)) return std::nullopt;
  bool ok = false;
  const double value = parser_.value(name).trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value) || value < low || value > high) {
    Fail(QStringLiteral("--%1 needs a number %2-%3, not '%4'")
             .arg(name)
             .arg(low)
             .arg(high)
             .arg(parser_.value(name)));
    return std::nullopt;
  }
  return value;
}

std::optional<QString> ToolCommandLine::Text(const QString& name) {
  if (!parser_.isSet(name)) return std::nullopt;
  const QString value = parser_.value(name);
  if (value.isEmpty()) {
    Fail(QStringLiteral("--%1 needs a value").arg(name));
    return std::nullopt;
  }
  return value;
}

ReadingFormat ToolCommandLine::Format() {
  if (!IsSet("format")) return ReadingFormat::kText;
  if (const auto parsed = ParseReadingFormat(Value("format").toStdString())) return *parsed;
  Fail(QStringLiteral("--format needs text, csv or json, not '%1'").arg(Value("format")));
  return ReadingFormat::kText;
}

void ToolCommandLine::Fail(const QString& problem) {
  if (error_.isEmpty()) error_ = problem;
}

std::optional<int> ToolCommandLine::Finish() {
  if (error_.isEmpty()) return std::nullopt;
  return Report();
}

int ToolCommandLine::Report() {
  std::fprintf(err_, "%s: %s\n\n%s", qPrintable(program_), qPrintable(error_),
               qPrintable(parser_.helpText()));
  return kUsageError;
}

PtyOptions ToolCommandLine::Pty(const LineSettings& line) {
  PtyOptions pty;
  if (const auto port = Whole("port", 1, kMaxPortNumber)) {
    pty.port_number = static_cast<int>(*port);
  } else if (!parser_.isSet("port")) {
    Fail(QStringLiteral("--port is required"));
  }
  if (const auto dir = Text("port-dir")) pty.port_dir = dir->toStdString();
  if (const auto log = Text("log")) pty.log_path = log->toStdString();
  pty.verbose = parser_.isSet("verbose");
  if (const auto trace = Text("trace")) pty.trace_path = trace->toStdString();
  if (parser_.isSet("paced")) pty.micros_per_byte = line.MicrosPerByte();
  if (fault_kinds_.empty()) return pty;
  if (const auto list = Text("fault")) {
    for (const QString& name : list->split(',')) {
      const auto kind = ParseLineFault(name.trimmed().toStdString());
      if (!kind ||
          std::find(fault_kinds_.begin(), fault_kinds_.end(), *kind) == fault_kinds_.end()) {
        Fail(QStringLiteral("--fault: %1 is not a fault of this device").arg(name.trimmed()));
        continue;
      }
      pty.faults.kinds.push_back(*kind);
    }
  }
  if (const auto v = Whole("fault-after", 0, 86400000)) pty.faults.after_ms = static_cast<int>(*v);
  if (const auto v = Whole("fault-for", 1, 86400000)) pty.faults.for_ms = static_cast<int>(*v);
  if (const auto v = Whole("fault-every", 0, 86400000)) pty.faults.every_ms = static_cast<int>(*v);
  if (pty.faults.every_ms > 0 && pty.faults.every_ms <= pty.faults.for_ms) {
    Fail(QStringLiteral("--fault-every must be longer than --fault-for"));
  }
  if (const auto v = Whole("fault-seed", 0, 0xFFFFFFFFLL)) {
    pty.fault_seed = static_cast<std::uint32_t>(*v);
  }
  return pty;
}

}  // namespace common
