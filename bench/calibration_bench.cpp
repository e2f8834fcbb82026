// Corvid's full calibration on a simulated VELD-LV whose measurements are a few
// percent off (48 V supply, 26.12 ohm loads), through the window's path with the real
// pauses: how long it takes next to the sum of its fixed pauses, and how far any
// reading is from the truth afterwards. The technician answers at once.
//
//   bench_calibration [--runs N] [--pty] [--unpaced] [--bin-dir DIR]
//
// In-process (default) the switch pack is paced at the line rate, as `corvid /sim`
// runs it; with --pty it is switchpack-sim on a pseudo-terminal through QtSerialPort.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/percentiles.h"
#include "common/qtcore/event_wait.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "corvid/link/settings_store.h"
#include "corvid/sim/switch_pack_model.h"
#include "corvid/windows/calibrate_window.h"
#include "corvid/windows/calibration_windows.h"
#include "corvid/windows/main_window.h"

namespace {

constexpr double kSupplyVolts = 48;
constexpr double kLoadOhms = 26.12;
constexpr double kTrueMilliamps = kSupplyVolts * 1000 / kLoadOhms;
// The calibration timer's 500 ms and 84 pauses of 100 ms: 2 before the voltage step, 10 in it,
// 2 before its check, 40 in the current step (5 + 6 x 5 + 5), 30 in its check.
constexpr double kFixedPausesMs = 500 + 84 * 100;
constexpr int kGapTimerMs = 10;
constexpr int kPortNumber = 9;

// Gains of the 13 measurements, and the same as switchpack-sim options.
constexpr std::array<double, 13> kGain = {1.02, 0.99, 1.0,  0.97, 1.03, 1.01, 0.98,
                                          0.97, 1.02, 1.04, 0.98, 1.0,  0.96};
const QStringList kSimErrors = {"--volts-error", "2,-1,0,-3,3,1", "--mains-error", "-2",
                                "--amps-error",  "-3,2,4,-2,0,-4"};

struct RunResult {
  bool completed = false;
  double total_ms = 0;
  double technician_ms = 0;  // from Start enabled to Start clicked, both steps
  int exchanges = -1;        // counted in-process only
  double worst_before = 0;   // largest relative error of any reading, default factors
  double worst_after = 0;
  bench::Summary gaps;
};

// Largest relative error of the last status against the truth, every output driven.
double WorstError(const corvid::monitor::StatusReading& r) {
  double worst = std::fabs(r.mains / 10.0 / kSupplyVolts - 1);
  for (int i = 0; i < 6; ++i) {
    worst = std::max(worst, std::fabs(r.volts[i] / 10.0 / kSupplyVolts - 1));
    worst = std::max(worst, std::fabs(r.amps[i] / kTrueMilliamps - 1));
  }
  return worst;
}

// Presses Start as soon as it is offered, and notes how long that took.
class Technician : public QObject {
 public:
  Technician(QPushButton* start, corvid::SwitchPackModel* model) : start_(start), model_(model) {
    start_->installEventFilter(this);
  }
  double WaitedMs() const { return waited_ns_ / 1e6; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange && start_->isEnabled()) {
      clock_.start();
      QTimer::singleShot(0, this, [this] {
        if (model_ != nullptr) {  // the switches as the instructions say
          model_->Options().vcal = steps_ == 0;
          model_->Options().ical = steps_ == 1;
        }
        ++steps_;
        waited_ns_ += static_cast<double>(clock_.nsecsElapsed());
        start_->click();
      });
    }
    return false;
  }

 private:
  QPushButton* start_;
  corvid::SwitchPackModel* model_;
  QElapsedTimer clock_;
  double waited_ns_ = 0;
  int steps_ = 0;
};

// The status after a few polls with every output driven (VCAL back at NORMAL).
std::optional<corvid::monitor::StatusReading> Settled(corvid::CorvidApp& app,
                                                      corvid::SwitchPackModel* model) {
  if (model != nullptr) {
    model->Options().vcal = false;
    model->Options().ical = true;
  }
  for (int i = 0; i < 6; ++i) app.session().SetOutputDisabled(i, false);
  for (int i = 0; i < 3; ++i) app.session().GetStatus();
  const auto reading = app.session().LastStatus();
  for (int i = 0; i < 6; ++i) app.session().SetOutputDisabled(i, true);
  return reading;
}

std::optional<RunResult> RunOnce(bool pty, bool paced, const QString& bin_dir) {
  QTemporaryDir dir;
  std::unique_ptr<QProcess> sim;
  corvid::SwitchPackModel* model = nullptr;
  common::PortSetup setup;
  auto store = std::make_unique<corvid::SettingsStore>(dir.filePath("Corvid.conf"));
  if (pty) {
    const QString port_dir = dir.filePath("com");
    QDir().mkpath(port_dir);
    qputenv("CABINET_COM_DIR", port_dir.toLocal8Bit());
    sim = std::make_unique<QProcess>();
    sim->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim->start(QDir(bin_dir).filePath("switchpack-sim"),
               QStringList{"--port", QString::number(kPortNumber), "--type", "2", "--mains", "48",
                           "--vcal"} +
                   kSimErrors);
    if (!sim->waitForReadyRead(5000)) {
      std::fprintf(stderr, "bench_calibration: switchpack-sim did not start (in %s)\n",
                   qPrintable(bin_dir));
      return std::nullopt;
    }
    store->SavePortNumber(kPortNumber);
    setup = corvid::CorvidPortSetup(false);
  } else {
    corvid::SwitchPackOptions options{.device_type = 2, .mains_volts = 48, .load_ohms = 26.12};
    options.gain = kGain;
    auto owned = std::make_unique<corvid::SwitchPackModel>(options);
    model = owned.get();
    setup = common::MakePortSetup(std::move(owned), paced);
  }
  common::ScriptedPrompts prompts;
  corvid::CorvidApp app(std::move(setup), prompts, std::move(store));
  corvid::monitor::MainWindow window(app);
  window.show();
  window.Load();
  auto& guided = window.Calibration()->Guided();

  common::EventWait wait;
  QTimer poke;
  QObject::connect(&poke, &QTimer::timeout, [&] { wait.Wake(); });
  poke.start(20);
  if (wait.Until([&] { return app.state().device_type == 2; }, 3000) !=
      common::WaitResult::kReady) {
    std::fprintf(stderr, "bench_calibration: the device was not identified\n");
    return std::nullopt;
  }
  RunResult result;
  app.session().Loop().Suspend();
  if (const auto before = Settled(app, model)) result.worst_before = WorstError(*before);
  app.session().Loop().Resume();

  // The Calibrate menu opened, then "Full Calibrate".
  emit window.CalibrateMenu()->aboutToShow();
  auto* start = window.Calibration()->StepWindow()->findChild<QPushButton*>("cmdStart");
  Technician technician(start, model);
  const int exchanges_before = model != nullptr ? static_cast<int>(model->Received().size()) : 0;
  std::vector<double> gaps;
  QElapsedTimer gap_clock, clock;
  QTimer gap_timer;
  gap_timer.setTimerType(Qt::PreciseTimer);
  gap_timer.setInterval(kGapTimerMs);
  QObject::connect(&gap_timer, &QTimer::timeout, [&] {
    gaps.push_back(static_cast<double>(gap_clock.nsecsElapsed()) / 1e6);
    gap_clock.restart();
  });
  QObject::connect(&guided, &corvid::calibration::GuidedCalibration::StateChanged,
                   [&] { wait.Wake(); });
  gap_clock.start();
  gap_timer.start();
  clock.start();
  window.FullCalibrateButton()->click();
  wait.Until([&] { return !guided.Running(); }, 120000);
  result.total_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  gap_timer.stop();
  result.technician_ms = technician.WaitedMs();
  result.completed = guided.LastResult() == true;
  result.gaps = bench::Summarise(gaps);
  if (model != nullptr) {
    result.exchanges = static_cast<int>(model->Received().size()) - exchanges_before;
  }
  app.session().Loop().Suspend();
  if (const auto after = Settled(app, model)) result.worst_after = WorstError(*after);
  for (const common::Message& m : prompts.shown())
    std::printf("    message: %s: %s\n", qPrintable(m.title), qPrintable(m.text));
  if (sim) {
    sim->terminate();
    sim->waitForFinished(3000);
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int runs = 3;
  bool pty = false, paced = true;
  QString bin_dir = QApplication::applicationDirPath();
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = std::max(1, args[++i].toInt());
    } else if (args[i] == "--pty") {
      pty = true;
    } else if (args[i] == "--unpaced") {
      paced = false;
    } else if (args[i] == "--bin-dir" && i + 1 < args.size()) {
      bin_dir = args[++i];
    } else {
      std::fprintf(stderr,
                   "usage: bench_calibration [--runs N] [--pty] [--unpaced] "
                   "[--bin-dir DIR]\n");
      return 2;
    }
  }
  std::printf("Full calibration, VELD-LV %s, fixed pauses %.0f ms\n",
              pty ? "switchpack-sim over a pty"
                  : (paced ? "in-process, paced at 307200 8N1" : "in-process, unpaced"),
              kFixedPausesMs);
  std::vector<double> totals, excess, worst_after;
  // Each run's window goes with the run; the next one must still find the loop running.
  QApplication::setQuitOnLastWindowClosed(false);
  for (int run = 1; run <= runs; ++run) {
    const auto r = RunOnce(pty, paced, bin_dir);
    if (!r) return 1;
    const double over = r->total_ms - r->technician_ms - kFixedPausesMs;
    std::printf(
        "  run %d: %s in %.1f ms (technician %.2f ms), %.1f ms (%.2f%%) above the pauses, "
        "%s exchanges; worst reading error %.2f%% before, %.3f%% after; event-loop gap %s\n",
        run, r->completed ? "Calibration Completed" : "NOT completed", r->total_ms,
        r->technician_ms, over, 100 * over / kFixedPausesMs,
        r->exchanges < 0 ? "?" : std::to_string(r->exchanges).c_str(), 100 * r->worst_before,
        100 * r->worst_after, bench::Describe(r->gaps, "ms").c_str());
    std::fflush(stdout);
    if (!r->completed) return 1;
    totals.push_back(r->total_ms);
    excess.push_back(over);
    worst_after.push_back(r->worst_after);
  }
  std::printf("median: %.1f ms in all, %.1f ms above the fixed pauses; worst error after %.3f%%\n",
              bench::Summarise(totals).median, bench::Summarise(excess).median,
              100 * bench::Summarise(worst_after).median);
  return 0;
}
