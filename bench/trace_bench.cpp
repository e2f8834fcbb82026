// Polling with the Link Trace window open and full, against the same without it:
// each program's real main window (offscreen) on its simulator over a pseudo-terminal
// through QtSerialPort, as `tessera /comm=7` and `corvid` run. Per run the main polls
// per second (Tessera's input exchanges, Corvid's status commands, answered) and the
// CPU of this process, which is the program.
//
//   bench_trace [--program tessera|corvid|both] [--seconds S] [--runs N] [--bin-dir DIR]
//
// With the window, it is opened from its menu item and filled to its bound (100 000
// records) before the measurement, so every batch that comes also pushes the oldest
// rows out.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/percentiles.h"
#include "bench/process.h"
#include "common/core/link_tap.h"
#include "common/core/trace_ring.h"
#include "common/qtcore/event_wait.h"
#include "common/testing/scripted_prompts.h"
#include "common/widgets/link_trace_window.h"
#include "common/widgets/trace_model.h"
#include "corvid/link/settings_store.h"
#include "corvid/session/corvid_app.h"
#include "corvid/windows/main_window.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/install_windows.h"
#include "tessera/windows/main_window.h"

namespace {

constexpr int kPortNumber = 7;
constexpr int kSettleMs = 2000;

struct Result {
  double polls_per_s = 0;
  double cpu_percent = 0;
  std::size_t kept = 0;  // records the window held at the end (0 without it)
};

// A trace as long polling leaves it: a full ring of exchanges like the poll's own.
void Fill(common::LinkTap& tap, common::TraceModel& model) {
  const common::Bytes request = {0x34, 0x00, 0xCB};
  common::Bytes answer(14, 0x00);
  for (std::size_t i = 0; i < common::TraceRing::kMaxRecords / 2; ++i) {
    tap.Sent({"SendInputFrame", true}, request);
    tap.Received({"SendInputFrame", true}, answer, common::TraceOutcome::kOk);
  }
  model.Update();
}

// Counts polls and CPU for `seconds`, the event loop running.
Result Measure(double seconds, int& polls) {
  common::Delay(kSettleMs);
  polls = 0;
  QElapsedTimer clock;
  const double cpu0 = bench::CpuSeconds();
  clock.start();
  common::Delay(static_cast<int>(seconds * 1000));
  const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const double cpu = bench::CpuSeconds() - cpu0;
  return {polls / wall, 100 * cpu / wall, 0};
}

std::optional<Result> RunTessera(const QString& bin_dir, bool with_window, double seconds) {
  QTemporaryDir dir;
  bench::Simulator sim(bin_dir, "tbx-sim", dir.filePath("com"), kPortNumber);
  if (!sim.Ready()) return std::nullopt;
  common::ScriptedPrompts prompts;
  tessera::TesseraApp app(tessera::TesseraPortSetup(false), prompts);
  tessera::panel::MainWindow window(app);
  tessera::panel::InstallWindows(window);
  window.show();
  if (!window.Load(QStringLiteral("/comm=%1").arg(kPortNumber))) return std::nullopt;
  int polls = 0;
  QObject::connect(&app.session(), &tessera::Session::InputsChanged, [&polls] { ++polls; });
  common::LinkTraceWindow* trace = nullptr;
  if (with_window) {
    window.findChild<QAction*>("mnuLinkTrace")->trigger();
    trace = qobject_cast<common::LinkTraceWindow*>(
        window.WindowInstance(tessera::panel::FeatureWindow::kLinkTrace));
    Fill(app.Tap(), trace->Model());
  }
  Result result = Measure(seconds, polls);
  if (trace != nullptr) result.kept = trace->Model().Kept();
  return result;
}

std::optional<Result> RunCorvid(const QString& bin_dir, bool with_window, double seconds) {
  QTemporaryDir dir;
  bench::Simulator sim(bin_dir, "switchpack-sim", dir.filePath("com"), kPortNumber);
  if (!sim.Ready()) return std::nullopt;
  auto store = std::make_unique<corvid::SettingsStore>(dir.filePath("Corvid.conf"));
  store->SavePortNumber(kPortNumber);
  common::ScriptedPrompts prompts;
  corvid::CorvidApp app(corvid::CorvidPortSetup(false), prompts, std::move(store));
  corvid::monitor::MainWindow window(app);
  window.show();
  window.Load();
  int polls = 0;
  QObject::connect(&app.session(), &corvid::Session::StatusChanged, [&polls] { ++polls; });
  if (with_window) {
    window.findChild<QAction*>("mnuLinkTrace")->trigger();
    Fill(app.Tap(), window.LinkTrace()->Model());
  }
  Result result = Measure(seconds, polls);
  if (window.LinkTrace() != nullptr) result.kept = window.LinkTrace()->Model().Kept();
  if (!prompts.shown().empty()) {
    std::fprintf(stderr, "bench_trace: corvid said %s\n", qPrintable(prompts.shown()[0].text));
  }
  return result;
}

bool Bench(const char* program, double seconds, int runs, const QString& bin_dir, double min_rate,
           const char* rate_name) {
  std::printf("%s: %s per second and CPU, %d runs of %.0f s each way\n", program, rate_name, runs,
              seconds);
  std::vector<double> rates[2], cpu[2];
  for (int run = 1; run <= runs; ++run) {
    for (const bool with_window : {false, true}) {
      const auto r = std::string(program) == "tessera" ? RunTessera(bin_dir, with_window, seconds)
                                                       : RunCorvid(bin_dir, with_window, seconds);
      if (!r) return false;
      std::printf("  run %d %-24s %6.2f %s/s  CPU %5.2f %% of a core%s\n", run,
                  with_window ? "with the window, full:" : "without the window:", r->polls_per_s,
                  rate_name, r->cpu_percent,
                  with_window ? (" (" + std::to_string(r->kept) + " records kept)").c_str() : "");
      std::fflush(stdout);
      rates[with_window].push_back(r->polls_per_s);
      cpu[with_window].push_back(r->cpu_percent);
    }
  }
  for (const bool with_window : {false, true}) {
    const double rate = bench::Summarise(rates[with_window]).median;
    const double load = bench::Summarise(cpu[with_window]).median;
    std::printf("  median %-21s %6.2f %s/s (limit %.1f)  CPU %5.2f %% (limit 3) %s\n",
                with_window ? "with the window:" : "without the window:", rate, rate_name, min_rate,
                load, rate >= min_rate && load < 3 ? "ok" : "OVER THE LIMIT");
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("bench_trace");
  QApplication::setQuitOnLastWindowClosed(false);
  QString program = "both";
  double seconds = 20;
  int runs = 3;
  QString bin_dir = QApplication::applicationDirPath();
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--program" && i + 1 < args.size()) {
      program = args[++i];
    } else if (args[i] == "--seconds" && i + 1 < args.size()) {
      seconds = std::max(1.0, args[++i].toDouble());
    } else if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = std::max(1, args[++i].toInt());
    } else if (args[i] == "--bin-dir" && i + 1 < args.size()) {
      bin_dir = args[++i];
    } else {
      std::fprintf(stderr,
                   "usage: bench_trace [--program tessera|corvid|both] [--seconds S] [--runs N] "
                   "[--bin-dir DIR]\n");
      return 2;
    }
  }
  if ((program == "tessera" || program == "both") &&
      !Bench("tessera", seconds, runs, bin_dir, 9.8, "polls")) {
    return 1;
  }
  if ((program == "corvid" || program == "both") &&
      !Bench("corvid", seconds, runs, bin_dir, 19.5, "status")) {
    return 1;
  }
  return 0;
}
