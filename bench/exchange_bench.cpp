// The full link round trip per exchange: tessera::UnitLink with an input request and
// corvid::HdlcLink with a status command, first in-process through SimulatedPort (no
// pacing: pure software cost), then over a pseudo-terminal to tbx-sim/switchpack-sim
// through QtSerialPort (the real serial code path).
//
//   bench_exchange [--count N] [--bin-dir DIR] [--in-process-only]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "bench/percentiles.h"
#include "bench/wire.h"
#include "common/qtcore/event_wait.h"
#include "common/qtcore/qt_serial_port.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "corvid/core/commands.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/sim/switch_pack_model.h"
#include "tessera/core/identity.h"
#include "tessera/core/requests.h"
#include "tessera/link/unit_link.h"
#include "tessera/sim/tbx_model.h"

namespace {

constexpr int kPortNumber = 7;
constexpr int kWarmUp = 50;
// Wire time of one exchange: Tessera 3 + 14 bytes at 19200 8E1; Corvid's status
// command (9 bytes) and response (36 bytes) at 307200 8N1.
constexpr double kTesseraWireUs = bench::WireMicros(3 + 14, bench::kTesseraBytesPerSecond);
constexpr double kCorvidWireUs = bench::WireMicros(9 + 36, bench::kCorvidBytesPerSecond);
// The figure design.md gives for one request/answer over a pty.
constexpr double kDesignPtyUs = 50;

struct Result {
  bench::Summary micros;
  int failures = 0;
};

// Times `count` calls of exchange() (true = a valid answer came back), after a warm-up.
Result TimeExchanges(int count, const std::function<bool()>& exchange) {
  for (int i = 0; i < kWarmUp; ++i) exchange();
  Result result;
  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(count));
  QElapsedTimer clock;
  for (int i = 0; i < count; ++i) {
    clock.start();
    const bool ok = exchange();
    micros.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000.0);
    if (!ok) ++result.failures;
  }
  result.micros = bench::Summarise(std::move(micros));
  return result;
}

void Print(const char* what, const Result& r, double wire_us) {
  std::printf(
      "%-38s %s  failures %d  wire %.0f us  (median = %.2f%% of wire, %.2fx the %.0f us pty "
      "figure)\n",
      what, bench::Describe(r.micros, "us").c_str(), r.failures, wire_us,
      100.0 * r.micros.median / wire_us, r.micros.median / kDesignPtyUs, kDesignPtyUs);
  std::fflush(stdout);
}

Result TesseraExchanges(common::SerialPort& port, int count) {
  common::ScriptedPrompts prompts;
  tessera::UnitIdentity identity;
  tessera::UnitLink link(port, prompts, identity);
  const common::Bytes request = tessera::InputRequest({});
  return TimeExchanges(count,
                       [&] { return !link.Exchange(request, tessera::kInputResponse).empty(); });
}

Result CorvidExchanges(common::SerialPort& port, int count) {
  common::ScriptedPrompts prompts;
  corvid::HdlcLink link(port, prompts);
  link.SetSlotAddress(1);
  const auto command =
      corvid::monitor::BuildStatusCommand(corvid::monitor::StatusLayout::kSwitchPack, 0, 0x3F);
  return TimeExchanges(count, [&] { return link.Exchange(command).has_value(); });
}

// A simulator child process serving COM<kPortNumber> in its own port directory.
class Simulator {
 public:
  Simulator(const QString& program, const QStringList& args, const QString& port_dir) {
    process_.setProgram(program);
    process_.setArguments(
        QStringList{"--port", QString::number(kPortNumber), "--port-dir", port_dir} + args);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { wait_.Wake(); });
    QObject::connect(&process_, &QProcess::finished, [this] { wait_.Wake(); });
    process_.start();
  }
  ~Simulator() {
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
  }
  // The simulator prints one line once its COMn link exists.
  bool WaitReady() {
    wait_.Until(
        [this] { return process_.canReadLine() || process_.state() == QProcess::NotRunning; },
        5000);
    return process_.canReadLine();
  }

 private:
  QProcess process_;
  common::EventWait wait_;
};

std::optional<Result> OverPty(const QString& bin_dir, const char* sim, const QStringList& args,
                              const char* line_settings, Result (*run)(common::SerialPort&, int),
                              int count) {
  QTemporaryDir dir;
  const QString port_dir = dir.filePath("com");
  QDir().mkpath(port_dir);
  qputenv("CABINET_COM_DIR", port_dir.toLocal8Bit());
  Simulator simulator(QDir(bin_dir).filePath(sim), args, port_dir);
  if (!simulator.WaitReady()) {
    std::fprintf(stderr, "bench_exchange: %s did not start (looked in %s)\n", sim,
                 qPrintable(bin_dir));
    return std::nullopt;
  }
  common::QtSerialPort port;
  port.SetSettings(line_settings);
  port.SetPortNumber(kPortNumber);
  if (!port.Open()) {
    std::fprintf(stderr, "bench_exchange: cannot open COM%d: %s %s\n", kPortNumber,
                 qPrintable(port.StatusText()), qPrintable(port.ErrorDetail()));
    return std::nullopt;
  }
  Result r = run(port, count);
  port.Close();
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int count = 2000;
  QString bin_dir = QCoreApplication::applicationDirPath();
  bool pty = true;
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--count" && i + 1 < args.size()) {
      count = args[++i].toInt();
    } else if (args[i] == "--bin-dir" && i + 1 < args.size()) {
      bin_dir = args[++i];
    } else if (args[i] == "--in-process-only") {
      pty = false;
    } else {
      std::fprintf(stderr,
                   "usage: bench_exchange [--count N] [--bin-dir DIR] [--in-process-only]\n");
      return 2;
    }
  }
  if (count < 1) count = 1;

  std::printf("Per exchange, N=%d after %d warm-up exchanges\n", count, kWarmUp);
  {
    tessera::sim::TbxModel model;
    common::SimulatedPort port(&model);
    port.SetSettings("19200,E,8,1");
    port.Open();
    Print("tessera input, SimulatedPort", TesseraExchanges(port, count), kTesseraWireUs);
  }
  {
    corvid::SwitchPackModel model;
    common::SimulatedPort port(&model);
    port.SetSettings("307200,n,8,1");
    port.Open();
    Print("corvid status, SimulatedPort", CorvidExchanges(port, count), kCorvidWireUs);
  }
  if (!pty) return 0;

  bool ok = true;
  if (auto r =
          OverPty(bin_dir, "tbx-sim", {"--no-animation"}, "19200,E,8,1", TesseraExchanges, count))
    Print("tessera input, pty to tbx-sim", *r, kTesseraWireUs);
  else
    ok = false;
  if (auto r = OverPty(bin_dir, "switchpack-sim", {}, "307200,n,8,1", CorvidExchanges, count))
    Print("corvid status, pty to switchpack-sim", *r, kCorvidWireUs);
  else
    ok = false;
  return ok ? 0 : 1;
}
