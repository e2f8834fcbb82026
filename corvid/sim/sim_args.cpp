#include "corvid/sim/sim_args.h"

#include <cmath>
#include <optional>
#include <vector>

#include "common/qtcore/tool_command_line.h"
#include "corvid/core/link_settings.h"
#include "corvid/core/trace_names.h"

namespace corvid {
namespace {

constexpr int kOutputCount = 6;
constexpr int kMainsGain = 6;
constexpr int kFirstAmpsGain = 7;
constexpr double kMaxErrorPercent = 50;

// A comma-separated list of 1 to max_count numbers within [low, high]; nullopt (and the
// line's error) when the option is set but malformed.
std::optional<std::vector<double>> NumberList(common::ToolCommandLine& line, const QString& name,
                                              int max_count, double low, double high) {
  if (!line.IsSet(name)) return std::nullopt;
  const QStringList parts = line.Value(name).split(',');
  std::vector<double> numbers;
  bool good = parts.size() <= max_count;
  for (const QString& part : parts) {
    bool ok = false;
    const double value = part.trimmed().toDouble(&ok);
    good = good && ok && std::isfinite(value) && value >= low && value <= high;
    numbers.push_back(value);
  }
  if (!good) {
    line.Fail(QStringLiteral("--%1 needs 1-%2 numbers %3 to %4 separated by commas, not '%5'")
                  .arg(name)
                  .arg(max_count)
                  .arg(low)
                  .arg(high)
                  .arg(line.Value(name)));
    return std::nullopt;
  }
  return numbers;
}

// Percent errors of the six outputs' measurements into gain[first...]: one value
// applies to all six, otherwise output by output (missing ones 0).
void OutputErrors(common::ToolCommandLine& line, const QString& name, SwitchPackOptions& m,
                  int first) {
  const auto errors = NumberList(line, name, kOutputCount, -kMaxErrorPercent, kMaxErrorPercent);
  if (!errors) return;
  for (int i = 0; i < kOutputCount; ++i) {
    const std::size_t n = errors->size();
    const double percent = n == 1 ? errors->front() : i < static_cast<int>(n) ? (*errors)[i] : 0;
    m.gain[first + i] = 1 + percent / 100;
  }
}

}  // namespace

std::variant<SimArgs, int> ParseSimArgs(const QStringList& arguments, std::FILE* out,
                                        std::FILE* err) {
  common::ToolCommandLine line(
      "switchpack-sim",
      "Serves a simulated switch pack on a pseudo-terminal linked as COM<N> in the port "
      "directory until SIGINT or SIGTERM.");
  line.SetStreams(out, err);
  line.AddPtyOptions();
  line.AddValue({"slot"}, "S", "slot address answered, 1-31 (default 1)");
  line.AddValue({"type"}, "T", "device type code 0-255; 1-6 known (default 2, VELD-LV)");
  line.AddValue({"mains"}, "V", "signal power voltage in Vrms (default 120)");
  line.AddValue({"load-ohms"}, "R",
                "load on every output in ohms, 0 = open (default: the family's calibration "
                "resistor, 26.12 if unknown)");
  line.AddFlag({"silent"}, "never answer");
  line.AddValue({"delay"}, "MS", "think this long before each answer (default 0)");
  line.AddValue({"drop-every"}, "N", "leave every Nth command unanswered");
  line.AddValue({"bad-fcs-every"}, "N", "corrupt the FCS of every Nth answer");
  line.AddValue({"nak-every"}, "N", "refuse every Nth command with a NAK");
  line.AddValue({"foreign-code"}, "C", "answer with code C (e.g. 0x41) ...");
  line.AddValue({"foreign-every"}, "N", "... on every Nth command (default 1 with --foreign-code)");
  line.AddValue({"volts-error"}, "P[,P...]",
                "measurement error of the field voltages in percent before calibration, outputs "
                "1-6 in order (one value: all six; missing ones 0), -50 to 50");
  line.AddValue({"amps-error"}, "P[,P...]", "the same for the field currents");
  line.AddValue({"mains-error"}, "P", "the same for the signal power voltage");
  line.AddValue({"dead-output"}, "N[,N...]", "output N (1-6) is broken: reads 0 V and 0 mA");
  line.AddFlag({"vcal"},
               "VCAL switches at VCAL: every field voltage input reads the signal supply");
  line.AddFlag({"no-ical"}, "ICAL switches at NORMAL: no load current flows");
  line.AddFlag({"answer-previous"}, "answer each command with the previous command's answer");
  line.AddFaultOptions(
      {common::LineFault::kGarbage, common::LineFault::kTruncate, common::LineFault::kOversize,
       common::LineFault::kChecksum, common::LineFault::kLate, common::LineFault::kFlood,
       common::LineFault::kUnplug, common::LineFault::kNak, common::LineFault::kForeign});
  if (const auto status = line.Parse(arguments)) return *status;

  SimArgs args;
  SwitchPackOptions& m = args.model;
  const auto whole = [&](const char* name, long long low, long long high, auto& field) {
    if (const auto v = line.Whole(name, low, high))
      field = static_cast<std::decay_t<decltype(field)>>(*v);
  };
  whole("slot", kMinSlotAddress, kMaxSlotAddress, m.slot);
  whole("type", 0, 255, m.device_type);
  if (const auto v = line.Real("mains", 0, 1638.3)) m.mains_volts = *v;
  m.silent = line.IsSet("silent");
  whole("delay", 0, 60000, m.delay_ms);
  whole("drop-every", 0, 1000000, m.drop_every);
  whole("bad-fcs-every", 0, 1000000, m.bad_fcs_every);
  whole("nak-every", 0, 1000000, m.nak_every);
  whole("foreign-code", 0, 255, m.foreign_code);
  if (line.IsSet("foreign-code")) m.foreign_every = 1;
  whole("foreign-every", 0, 1000000, m.foreign_every);
  if (const auto v = line.Real("load-ohms", 0, 1e9)) {
    m.load_ohms = *v;
  } else if (const auto ohms = CalibrationSettings{}.ResistorFor(m.device_type)) {
    m.load_ohms = *ohms;  // so Check Outputs passes on a healthy simulated device
  }
  OutputErrors(line, "volts-error", m, 0);
  OutputErrors(line, "amps-error", m, kFirstAmpsGain);
  if (const auto v = line.Real("mains-error", -kMaxErrorPercent, kMaxErrorPercent))
    m.gain[kMainsGain] = 1 + *v / 100;
  if (const auto dead = NumberList(line, "dead-output", kOutputCount, 1, kOutputCount)) {
    for (double output : *dead) {
      if (output != std::floor(output)) {
        line.Fail(QStringLiteral("--dead-output needs outputs 1-6, not '%1'")
                      .arg(line.Value("dead-output")));
        break;
      }
      m.dead_outputs |= static_cast<std::uint8_t>(1u << (static_cast<int>(output) - 1));
    }
  }
  m.vcal = line.IsSet("vcal");
  m.ical = !line.IsSet("no-ical");
  m.answer_previous = line.IsSet("answer-previous");
  args.pty = line.Pty(*common::LineSettings::Parse("307200,n,8,1"));
  // Oversized answers are frames longer than any answer; late ones miss the 50 ms.
  args.pty.reply_faults = {.noise_max = 0xFF, .late_ms = 80, .oversize_inside = true};
  args.pty.describe = &DeviceSideRecord;
  if (const auto status = line.Finish()) return *status;
  return args;
}

}  // namespace corvid
