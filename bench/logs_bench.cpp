// The event log from the unit to the technician, measured:
//  1. decoding a log of 32 767 records (the pure decoder);
//  2. the event-log window: from the poll tick that reads such a log (in process,
//     unpaced) until the window shows all of it, and the longest time the window could
//     not respond meanwhile (gaps of a precise 10 ms timer);
//  3. tessera-cli events with a 4 000-record log from tbx-sim over an instant pty;
//  4. the same at 19 200 baud 8E1 (tbx-sim --paced), against the wire time of its bytes;
//  5. a full log (32 767 records, paced): over two minutes on the wire, far beyond
//     the read's 20 s time-out, which now only bounds the wait for the header.
//
//   bench_logs [--runs N] [--bin-dir DIR] [--no-paced]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "bench/percentiles.h"
#include "bench/wire.h"
#include "common/qtcore/event_wait.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "tessera/core/event_log.h"
#include "tessera/session/log_routines.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_device.h"
#include "tessera/windows/event_log_window.h"
#include "tessera/windows/log_view.h"

namespace {

constexpr int kLargestLog = tessera::logs::kMaxEventCount;
constexpr int kCliRecords = 4000;
constexpr int kPort = 8;

// Bytes on the line for one read: the 4-byte request and the 14 + 7N byte answer.
constexpr double ReadBytes(int records) { return 4 + 14 + 7.0 * records; }

double Ms(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

void Line(const char* what, const bench::Summary& s, const char* unit) {
  std::printf("  %-44s median %.3f %s  max %.3f %s  (n=%zu)\n", what, s.median, unit, s.max, unit,
              s.count);
  std::fflush(stdout);
}

// 1. The decoder alone.
bench::Summary Decode(int runs) {
  tessera::sim::TbxDevice device;
  device.EventLog().records = tessera::sim::GeneratedEventRecords(kLargestLog);
  const common::Bytes answer = device.Receive(tessera::logs::ReadEventsRequest()).bytes;
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    const auto text = tessera::logs::DecodeEventLog(answer);
    ms.push_back(Ms(clock));
    if (!text || text->size() < 1000000) {
      std::fprintf(stderr, "bench_logs: the log did not decode (%zu bytes in)\n", answer.size());
    }
  }
  return bench::Summarise(ms);
}

struct WindowRun {
  double read_ms = 0;   // the tick: exchange and decode, until the window has the text
  double shown_ms = 0;  // until the last slice is on screen and the newest read in view
  double max_gap_ms = 0;
};

// 2. The window, as the tick reads the log into it.
std::optional<WindowRun> ShowInWindow() {
  common::ScriptedPrompts prompts;
  auto device =
      std::make_unique<tessera::sim::TbxDevice>(tessera::sim::TbxOptions{.idle_animation = false});
  device->EventLog().records = tessera::sim::GeneratedEventRecords(kLargestLog);
  tessera::TesseraApp app(common::MakePortSetup(std::move(device), /*paced=*/false), prompts);
  tessera::logs::EventLogWindow window(app);
  window.show();
  if (!app.session().Start("/kal")) return std::nullopt;
  app.session().Loop().Timer()->stop();
  app.session().PollTick();  // identify first, as the program does

  QTimer gap_timer;
  gap_timer.setTimerType(Qt::PreciseTimer);
  gap_timer.setInterval(10);
  QElapsedTimer since_tick;
  double max_gap = 0;
  QObject::connect(&gap_timer, &QTimer::timeout, [&] {
    max_gap = std::max(max_gap, Ms(since_tick));
    since_tick.restart();
  });
  WindowRun run;
  QElapsedTimer clock;
  QObject::connect(&app.Logs(), &tessera::logs::LogRoutines::EventsRead,
                   [&] { run.read_ms = Ms(clock); });
  bool shown = false;
  QObject::connect(window.View(), &tessera::logs::LogView::CaughtUp, [&] {
    run.shown_ms = Ms(clock);
    shown = true;
  });
  since_tick.start();
  gap_timer.start();
  clock.start();
  app.session().Request(tessera::Request::kReadEvents);
  app.session().PollTick();
  common::EventWait wait;
  QObject::connect(window.View(), &tessera::logs::LogView::CaughtUp, &wait,
                   [&wait] { wait.Wake(); });
  wait.Until([&] { return shown; }, 10000);
  max_gap = std::max(max_gap, Ms(since_tick));
  gap_timer.stop();
  run.max_gap_ms = max_gap;
  if (!shown || window.Text().size() < 1000000) return std::nullopt;
  return run;
}

// tbx-sim as a child, serving COM<kPort> in a private port directory.
class PtyUnit {
 public:
  PtyUnit(const QString& bin_dir, const QStringList& options) : bin_dir_(bin_dir) {
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("CABINET_COM_DIR", dir_.path());
    sim_.setProcessEnvironment(env_);
    sim_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim_.start(QDir(bin_dir).filePath("tbx-sim"),
               QStringList{"--port", QString::number(kPort), "--no-animation"} + options);
    common::EventWait wait;
    QObject::connect(&sim_, &QProcess::readyReadStandardOutput, &wait, [&wait] { wait.Wake(); });
    wait.Until([this] { return sim_.canReadLine() || sim_.state() == QProcess::NotRunning; }, 5000);
    ready_ = sim_.canReadLine();
  }
  ~PtyUnit() {
    sim_.terminate();
    if (!sim_.waitForFinished(3000)) sim_.kill();
  }
  bool Ready() const { return ready_; }

  struct Result {
    double seconds = 0;
    int status = -1;
    qint64 out_bytes = 0;
    QByteArray err;
  };
  // tessera-cli --port <kPort> events, start to end.
  Result Events() {
    QProcess cli;
    cli.setProcessEnvironment(env_);
    QElapsedTimer clock;
    clock.start();
    cli.start(QDir(bin_dir_).filePath("tessera-cli"), {"--port", QString::number(kPort), "events"});
    cli.waitForFinished(300000);  // a full log is 131 s on the wire
    Result r;
    r.seconds = Ms(clock) / 1000.0;
    r.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    r.out_bytes = cli.readAllStandardOutput().size();
    r.err = cli.readAllStandardError();
    return r;
  }

 private:
  QString bin_dir_;
  QTemporaryDir dir_;
  QProcessEnvironment env_;
  QProcess sim_;
  bool ready_ = false;
};

// 3.-5. tessera-cli events against tbx-sim, `runs` times.
std::optional<bench::Summary> CliEvents(const QString& bin_dir, int records, bool paced, int runs,
                                        int* status, QByteArray* err, qint64* out_bytes) {
  QStringList options{"--event-records", QString::number(records)};
  if (paced) options << "--paced";
  PtyUnit unit(bin_dir, options);
  if (!unit.Ready()) {
    std::fprintf(stderr, "bench_logs: tbx-sim did not start (looked in %s)\n", qPrintable(bin_dir));
    return std::nullopt;
  }
  std::vector<double> seconds;
  for (int i = 0; i < runs; ++i) {
    const PtyUnit::Result r = unit.Events();
    seconds.push_back(r.seconds);
    *status = r.status;
    *err = r.err;
    *out_bytes = r.out_bytes;
  }
  return bench::Summarise(seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int runs = 5;
  bool paced = true;
  QString bin_dir = QApplication::applicationDirPath();
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = std::max(1, args[++i].toInt());
    } else if (args[i] == "--bin-dir" && i + 1 < args.size()) {
      bin_dir = args[++i];
    } else if (args[i] == "--no-paced") {
      paced = false;
    } else {
      std::fprintf(stderr, "usage: bench_logs [--runs N] [--bin-dir DIR] [--no-paced]\n");
      return 2;
    }
  }

  std::printf("1. Decoding a log of %d records (limit 50 ms)\n", kLargestLog);
  Line("DecodeEventLog", Decode(std::max(runs, 20)), "ms");

  std::printf("2. The event-log window, same log, in process (unpaced)\n");
  std::vector<double> read, shown, gaps;
  for (int i = 0; i < runs; ++i) {
    const std::optional<WindowRun> r = ShowInWindow();
    if (!r) {
      std::fprintf(stderr, "bench_logs: the window did not show the log\n");
      return 1;
    }
    read.push_back(r->read_ms);
    shown.push_back(r->shown_ms);
    gaps.push_back(r->max_gap_ms);
  }
  Line("tick: request to decoded text", bench::Summarise(read), "ms");
  Line("request to all of it shown", bench::Summarise(shown), "ms");
  Line("longest unresponsive gap (10 ms timer)", bench::Summarise(gaps), "ms");

  int status = -1;
  QByteArray err;
  qint64 out_bytes = 0;
  std::printf("3. tessera-cli events, %d records, tbx-sim over an instant pty (limit 1 s)\n",
              kCliRecords);
  const auto instant = CliEvents(bin_dir, kCliRecords, false, runs, &status, &err, &out_bytes);
  if (!instant) return 1;
  Line("whole run", *instant, "s");
  std::printf("  exit status %d, %lld bytes of report\n", status,
              static_cast<long long>(out_bytes));
  if (!paced) return 0;

  const double wire =
      bench::WireMicros(ReadBytes(kCliRecords), bench::kTesseraBytesPerSecond) / 1e6;
  std::printf("4. The same at 19 200 baud 8E1 (tbx-sim --paced): %.0f bytes, wire time %.3f s\n",
              ReadBytes(kCliRecords), wire);
  const int paced_runs = std::min(runs, 3);
  const auto slow = CliEvents(bin_dir, kCliRecords, true, paced_runs, &status, &err, &out_bytes);
  if (!slow) return 1;
  Line("whole run", *slow, "s");
  std::printf("  exit status %d; median %.2f%% over the wire time (limit 5%%)\n", status,
              100.0 * (slow->median - wire) / wire);

  const double full_wire =
      bench::WireMicros(ReadBytes(kLargestLog), bench::kTesseraBytesPerSecond) / 1e6;
  std::printf("5. A full log, %d records at 19 200 baud (tbx-sim --paced): wire time %.3f s\n",
              kLargestLog, full_wire);
  const auto full = CliEvents(bin_dir, kLargestLog, true, 1, &status, &err, &out_bytes);
  if (!full) return 1;
  Line("whole run", *full, "s");
  std::printf("  exit status %d, %lld bytes of report; %.2f%% over the wire time (limit 2%%)\n",
              status, static_cast<long long>(out_bytes),
              100.0 * (full->median - full_wire) / full_wire);
  if (status != 0) std::printf("  standard error: %s", err.constData());
  return 0;
}
