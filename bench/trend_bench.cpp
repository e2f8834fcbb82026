// Corvid polling with the Trend window open on a full hour of readings, against the
// same with the window closed and with no recording at all (the program as it was
// before the Trend window): the real main window (offscreen) on switchpack-sim over a
// pseudo-terminal through QtSerialPort, as `corvid` runs. Per run the status readings
// per second and the CPU of this process; once, the resident memory an hour of
// readings takes.
//
//   bench_trend [--seconds S] [--runs N] [--mode 0-3] [--bin-dir DIR]
//
// Modes: 0 no recording, 1 recording with the window closed, 2 the window open on
// the last minute, 3 on the last hour; all four without --mode.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "bench/percentiles.h"
#include "bench/process.h"
#include "common/qtcore/event_wait.h"
#include "common/testing/scripted_prompts.h"
#include "corvid/core/trend_log.h"
#include "corvid/link/settings_store.h"
#include "corvid/session/corvid_app.h"
#include "corvid/session/trend_recorder.h"
#include "corvid/windows/main_window.h"
#include "corvid/windows/trend_window.h"

namespace {

constexpr int kPortNumber = 7;
constexpr int kSettleMs = 2000;

enum class Mode { kNoRecording, kClosed, kOpenMinute, kOpenHour };
constexpr const char* kModeNames[] = {"no recording (before):", "recording, window closed:",
                                      "window open, 1 min, full:", "window open, 1 h, full:"};

struct Result {
  double polls_per_s = 0;
  double cpu_percent = 0;
  int redraws = 0;
};

// An hour as polling leaves it: a reading every 50 ms up to now, mains wandering, an
// output faulting now and then, a temperature every 500 ms, a few silences.
void FillHour(corvid::monitor::TrendLog& log) {
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  const std::int64_t start = now - 3'600'000;
  for (std::int64_t t = start; t < now; t += 50) {
    const auto n = (t - start) / 50;
    if (n % 20'000 == 19'999) {
      log.MarkNoAnswer(t);
      continue;
    }
    corvid::monitor::StatusReading r;
    r.mains = 1180 + static_cast<int>(n % 37);
    for (int i = 0; i < corvid::monitor::kOutputs; ++i) {
      r.volts[i] = (n / 200 + i) % 3 == 0 ? 1170 + static_cast<int>(n % 23) : 3;
      r.amps[i] = (n / 200 + i) % 3 == 0 ? 2300 + static_cast<int>(n % 71) : 0;
    }
    r.on_bits = 0x09;
    r.fault_bits = n % 5000 < 40 ? 0x02 : 0;
    log.AddStatus(t, r);
    if (n % 10 == 0) log.AddTemperature(t, 75 + static_cast<int>(n % 7));
  }
}

std::optional<Result> Run(const QString& bin_dir, Mode mode, double seconds) {
  QTemporaryDir dir;
  bench::Simulator sim(bin_dir, "switchpack-sim", dir.filePath("com"), kPortNumber);
  if (!sim.Ready()) return std::nullopt;
  auto store = std::make_unique<corvid::SettingsStore>(dir.filePath("Corvid.conf"));
  store->SavePortNumber(kPortNumber);
  common::ScriptedPrompts prompts;
  corvid::CorvidApp app(corvid::CorvidPortSetup(false), prompts, std::move(store));
  corvid::monitor::MainWindow window(app);
  if (mode == Mode::kNoRecording) {
    QObject::disconnect(&app.session(), nullptr, &window.Recorder(), nullptr);
    QObject::disconnect(&app.session().Loop(), nullptr, &window.Recorder(), nullptr);
  }
  window.show();
  window.Load();
  int polls = 0;
  QObject::connect(&app.session(), &corvid::Session::StatusChanged, [&polls] { ++polls; });
  if (mode != Mode::kNoRecording) FillHour(window.Recorder().Log());
  if (mode == Mode::kOpenMinute || mode == Mode::kOpenHour) {
    window.findChild<QAction*>("mnuTrend")->trigger();
    window.Trend()->findChild<QComboBox*>("cmbSpan")->setCurrentIndex(
        mode == Mode::kOpenHour ? corvid::monitor::TrendWindow::kOneHour
                                : corvid::monitor::TrendWindow::kOneMinute);
  }
  common::Delay(kSettleMs);
  polls = 0;
  const int redraws0 = window.Trend() != nullptr ? window.Trend()->Redraws() : 0;
  QElapsedTimer clock;
  const double cpu0 = bench::CpuSeconds();
  clock.start();
  common::Delay(static_cast<int>(seconds * 1000));
  const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const double cpu = bench::CpuSeconds() - cpu0;
  const int redraws = window.Trend() != nullptr ? window.Trend()->Redraws() - redraws0 : 0;
  if (!prompts.shown().empty()) {
    std::fprintf(stderr, "bench_trend: corvid said %s\n", qPrintable(prompts.shown()[0].text));
  }
  return Result{polls / wall, 100 * cpu / wall, redraws};
}

// Resident memory of an hour of readings, and of the window drawing it.
void Memory() {
  common::ScriptedPrompts prompts;
  QTemporaryDir dir;
  corvid::CorvidApp app(corvid::CorvidPortSetup(true), prompts,
                        std::make_unique<corvid::SettingsStore>(dir.filePath("Corvid.conf")));
  corvid::monitor::MainWindow window(app);
  window.show();
  common::Delay(200);
  const double before = bench::ResidentMiB();
  FillHour(window.Recorder().Log());
  const double full = bench::ResidentMiB();
  window.findChild<QAction*>("mnuTrend")->trigger();
  window.Trend()->findChild<QComboBox*>("cmbSpan")->setCurrentIndex(
      corvid::monitor::TrendWindow::kOneHour);
  common::Delay(500);
  const double drawn = bench::ResidentMiB();
  const auto& samples = window.Recorder().Log().Samples();
  std::printf("memory: %zu status entries (%zu bytes each), %zu temperatures\n", samples.Size(),
              sizeof(corvid::monitor::TrendSample), window.Recorder().Log().Temperatures().Size());
  std::printf("  resident before %.1f MiB, after an hour %.1f MiB: +%.1f MiB (limit 16) %s\n",
              before, full, full - before, full - before < 16 ? "ok" : "OVER THE LIMIT");
  std::printf("  with the window open on it at 1 h: %.1f MiB, +%.1f MiB more\n", drawn,
              drawn - full);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("bench_trend");
  QApplication::setQuitOnLastWindowClosed(false);
  double seconds = 20;
  int runs = 3;
  int only = -1;
  QString bin_dir = QApplication::applicationDirPath();
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--seconds" && i + 1 < args.size()) {
      seconds = std::max(1.0, args[++i].toDouble());
    } else if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = std::max(1, args[++i].toInt());
    } else if (args[i] == "--mode" && i + 1 < args.size()) {
      only = std::clamp(args[++i].toInt(), 0, 3);
    } else if (args[i] == "--bin-dir" && i + 1 < args.size()) {
      bin_dir = args[++i];
    } else {
      std::fprintf(stderr,
                   "usage: bench_trend [--seconds S] [--runs N] [--mode 0-3] [--bin-dir DIR]\n");
      return 2;
    }
  }
  Memory();
  std::printf("corvid: status per second and CPU, %d runs of %.0f s each way\n", runs, seconds);
  constexpr Mode kModes[] = {Mode::kNoRecording, Mode::kClosed, Mode::kOpenMinute, Mode::kOpenHour};
  std::vector<double> rates[4], cpu[4];
  for (int run = 1; run <= runs; ++run) {
    for (const Mode mode : kModes) {
      if (only >= 0 && static_cast<int>(mode) != only) continue;
      const auto r = Run(bin_dir, mode, seconds);
      if (!r) return 1;
      const int m = static_cast<int>(mode);
      std::printf("  run %d %-27s %6.2f status/s  CPU %5.2f %% of a core  (%d redraws)\n", run,
                  kModeNames[m], r->polls_per_s, r->cpu_percent, r->redraws);
      std::fflush(stdout);
      rates[m].push_back(r->polls_per_s);
      cpu[m].push_back(r->cpu_percent);
    }
  }
  for (const Mode mode : kModes) {
    const int m = static_cast<int>(mode);
    if (rates[m].empty()) continue;
    const double rate = bench::Summarise(rates[m]).median;
    const double load = bench::Summarise(cpu[m]).median;
    std::printf("  median %-26s %6.2f status/s (limit 19.5)  CPU %5.2f %% (limit 3) %s\n",
                kModeNames[m], rate, load, rate >= 19.5 && load < 3 ? "ok" : "OVER THE LIMIT");
  }
  return 0;
}
