// Tessera polling with the I/O History window open and full, against the same with it
// closed and against the program without the recording at all: the real main window
// (offscreen) on tbx-sim over a pseudo-terminal through QtSerialPort, as
// `tessera /comm=7` runs. Per run the input polls answered per second, the CPU of this
// process (which is the program), the timeline's repaints and the growth of the
// resident memory from before the history was filled to the end of the run.
//
//   bench_io_history [--seconds S] [--runs N] [--bin-dir DIR]
//
// Full: ten minutes of polls (6 000) recorded before the measurement, a lit point
// walking across the lanes, chatter on one lane and a gap every minute, so the
// picture has many bands to draw; tbx-sim's own idle animation changes a lamp on
// every live poll.

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "bench/percentiles.h"
#include "bench/process.h"
#include "common/qtcore/event_wait.h"
#include "common/testing/scripted_prompts.h"
#include "tessera/session/io_recorder.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/install_windows.h"
#include "tessera/windows/io_history_window.h"
#include "tessera/windows/io_timeline.h"
#include "tessera/windows/main_window.h"

namespace {

constexpr int kPortNumber = 7;
constexpr int kSettleMs = 2000;

enum class Mode { kWithout, kClosed, kOpen };
constexpr Mode kModes[] = {Mode::kWithout, Mode::kClosed, Mode::kOpen};

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::kWithout:
      return "without the recording:";
    case Mode::kClosed:
      return "full, window closed:";
    case Mode::kOpen:
      return "full, window open:";
  }
  return "";
}

struct Result {
  double polls_per_s = 0;
  double cpu_percent = 0;
  int repaints = 0;
  double rss_growth_mib = 0;
};

// Counts repaints of the timeline.
class PaintCounter : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

// Ten minutes of polls ending now, stamped in the past.
void Fill(tessera::IoRecorder& recorder) {
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  const auto polls = static_cast<std::int64_t>(tessera::IoHistory::kPolls);
  std::int64_t i = 0;
  recorder.SetClock([&] { return now - 100 * (polls - i); });
  for (; i < polls; ++i) {
    if (i % 600 < 15) {  // 1.5 s without an answer every minute
      recorder.RecordSilence();
      continue;
    }
    tessera::InputLamps lamps;
    lamps.points[(i / 10) % tessera::kInputPoints] = true;
    lamps.points[7] = (i / 3) % 2 == 0;  // a chattering detector
    lamps.opto[(i / 50) % tessera::kOptoInputs] = true;
    recorder.RecordAnswer(lamps);
  }
  recorder.SetClock([] { return QDateTime::currentMSecsSinceEpoch(); });
}

std::optional<Result> Run(const QString& bin_dir, Mode mode, double seconds) {
  QTemporaryDir dir;
  bench::Simulator sim(bin_dir, "tbx-sim", dir.filePath("com"), kPortNumber);
  if (!sim.Ready()) return std::nullopt;
  common::ScriptedPrompts prompts;
  tessera::TesseraApp app(tessera::TesseraPortSetup(false), prompts);
  tessera::panel::MainWindow window(app);
  if (mode != Mode::kWithout) tessera::panel::InstallWindows(window);
  window.show();
  if (!window.Load(QStringLiteral("/comm=%1").arg(kPortNumber))) return std::nullopt;
  int polls = 0;
  QObject::connect(&app.session(), &tessera::Session::InputsChanged, [&polls] { ++polls; });
  common::Delay(kSettleMs);

  const double rss0 = bench::ResidentMiB();
  PaintCounter paints;
  if (mode != Mode::kWithout) {
    // Opened from its menu item, filled, and (closed) shut again: the recording and a
    // hidden window are what is left.
    window.MenuItem(tessera::panel::FeatureWindow::kIoHistory)->trigger();
    auto* history = qobject_cast<tessera::panel::IoHistoryWindow*>(
        window.WindowInstance(tessera::panel::FeatureWindow::kIoHistory));
    Fill(history->Recorder());
    history->Timeline().viewport()->installEventFilter(&paints);
    if (mode == Mode::kClosed) history->close();
  }
  common::Delay(kSettleMs);
  polls = 0;
  paints.count = 0;
  QElapsedTimer clock;
  const double cpu0 = bench::CpuSeconds();
  clock.start();
  common::Delay(static_cast<int>(seconds * 1000));
  const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const double cpu = bench::CpuSeconds() - cpu0;
  return Result{polls / wall, 100 * cpu / wall, paints.count, bench::ResidentMiB() - rss0};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("bench_io_history");
  QApplication::setQuitOnLastWindowClosed(false);
  double seconds = 20;
  int runs = 3;
  QString bin_dir = QApplication::applicationDirPath();
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--seconds" && i + 1 < args.size()) {
      seconds = std::max(1.0, args[++i].toDouble());
    } else if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = std::max(1, args[++i].toInt());
    } else if (args[i] == "--bin-dir" && i + 1 < args.size()) {
      bin_dir = args[++i];
    } else {
      std::fprintf(stderr, "usage: bench_io_history [--seconds S] [--runs N] [--bin-dir DIR]\n");
      return 2;
    }
  }
  std::printf("tessera: polls per second and CPU, %d runs of %.0f s each way\n", runs, seconds);
  std::vector<double> rates[3], cpu[3], rss[3];
  for (int run = 1; run <= runs; ++run) {
    for (const Mode mode : kModes) {
      const auto r = Run(bin_dir, mode, seconds);
      if (!r) return 1;
      std::printf(
          "  run %d %-24s %6.2f polls/s  CPU %5.2f %% of a core  %5d repaints  "
          "resident %+6.2f MiB\n",
          run, ModeName(mode), r->polls_per_s, r->cpu_percent, r->repaints, r->rss_growth_mib);
      std::fflush(stdout);
      const auto m = static_cast<int>(mode);
      rates[m].push_back(r->polls_per_s);
      cpu[m].push_back(r->cpu_percent);
      rss[m].push_back(r->rss_growth_mib);
    }
  }
  for (const Mode mode : kModes) {
    const auto m = static_cast<int>(mode);
    const double rate = bench::Summarise(rates[m]).median;
    const double load = bench::Summarise(cpu[m]).median;
    // The largest: later runs in the process reuse memory the earlier ones freed.
    const double growth = bench::Summarise(rss[m]).max;
    std::printf(
        "  median %-24s %6.2f polls/s (limit 9.8)  CPU %5.2f %% (limit 3)  resident "
        "at most %+6.2f MiB (limit 16) %s\n",
        ModeName(mode), rate, load, growth,
        rate >= 9.8 && load < 3 && growth < 16 ? "ok" : "OVER THE LIMIT");
  }
  return 0;
}
