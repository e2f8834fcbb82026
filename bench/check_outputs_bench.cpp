// Corvid's Check Outputs on the in-process simulated switch pack, as `corvid /sim`
// runs it (paced at the line rate, the poll timer running): seconds per output, the whole
// run, and the largest gaps between ticks of a 10 ms timer, i.e. how long the window
// could not respond.
//
//   bench_check_outputs [--unpaced] [--pause-ms MS]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/percentiles.h"
#include "common/qtcore/event_wait.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "corvid/core/output_check.h"
#include "corvid/sim/switch_pack_model.h"
#include "corvid/windows/main_window.h"

namespace {

constexpr int kGapTimerMs = 10;

// Records the time between consecutive ticks of a precise 10 ms timer.
class GapRecorder {
 public:
  GapRecorder() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kGapTimerMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      gaps_ms_.push_back(static_cast<double>(clock_.nsecsElapsed()) / 1e6);
      clock_.restart();
    });
  }
  void Start() {
    gaps_ms_.clear();
    clock_.start();
    timer_.start();
  }
  void Stop() { timer_.stop(); }
  const std::vector<double>& Gaps() const { return gaps_ms_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  std::vector<double> gaps_ms_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bool paced = true;
  int pause_ms = -1;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--unpaced") {
      paced = false;
    } else if (args[i] == "--pause-ms" && i + 1 < args.size()) {
      pause_ms = args[++i].toInt();
    } else {
      std::fprintf(stderr, "usage: bench_check_outputs [--unpaced] [--pause-ms MS]\n");
      return 2;
    }
  }

  // A private settings file, so the technician's stored port and calibration stay out.
  QTemporaryDir dir;
  common::ScriptedPrompts prompts;
  corvid::CorvidApp corvid_app(
      common::MakePortSetup(std::make_unique<corvid::SwitchPackModel>(), paced), prompts,
      std::make_unique<corvid::SettingsStore>(dir.filePath("Corvid.conf")));
  auto& model = *static_cast<corvid::SwitchPackModel*>(corvid_app.Model());
  const corvid::LinkCounters& counters = corvid_app.link().Counters();
  corvid::monitor::MainWindow window(corvid_app);
  window.MarkSimulated();
  if (pause_ms >= 0) window.OutputCheck()->SetPauseMs(pause_ms);
  window.show();
  window.Load();
  model.Options().slot = corvid_app.settings().SlotAddress;

  // The first tick identifies the device; Check Outputs needs its type.
  common::EventWait wait;
  QTimer poke;
  QObject::connect(&poke, &QTimer::timeout, [&] { wait.Wake(); });
  poke.start(20);
  if (wait.Until([&] { return corvid_app.state().device_type != 0; }, 3000) !=
      common::WaitResult::kReady) {
    std::fprintf(stderr, "bench_check_outputs: the simulated device was not identified\n");
    return 1;
  }

  // An output is under test from the moment its disable bit is cleared until it is set.
  QElapsedTimer clock;
  std::array<double, corvid::monitor::kOutputs> began{}, seconds{};
  QObject::connect(&corvid_app.session(), &corvid::Session::DisablesChanged,
                   [&](std::uint8_t disables) {
                     const double now = static_cast<double>(clock.nsecsElapsed()) / 1e9;
                     for (int k = 0; k < corvid::monitor::kOutputs; ++k) {
                       if (!((disables >> k) & 1))
                         began[k] = now;
                       else if (began[k] > 0 && seconds[k] == 0)
                         seconds[k] = now - began[k];
                     }
                   });

  GapRecorder gaps;
  bool done = false;
  double total = 0;
  gaps.Start();
  clock.start();
  QObject::connect(window.OutputCheck(), &corvid::CheckOutputsRun::Finished, [&] {
    total = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    done = true;
    wait.Wake();
  });
  // Through the button's path: the check starts only when no poll exchange is running.
  corvid_app.session().RunWhenIdle([&] { window.CheckOutputs(); });
  wait.Until([&] { return done; }, 120000);
  gaps.Stop();
  poke.stop();
  if (!done) {
    std::fprintf(stderr, "bench_check_outputs: Check Outputs did not finish in 120 s\n");
    return 1;
  }

  std::printf("Check Outputs on the simulated switch pack (%s), device type %d\n",
              paced ? "paced at 307200 8N1" : "unpaced", corvid_app.state().device_type);
  for (int k = 0; k < corvid::monitor::kOutputs; ++k)
    std::printf("  output %d (%s): %.3f s\n", k + 1,
                std::string(corvid::monitor::OutputName(k)).c_str(), seconds[k]);
  std::printf("  whole run: %.3f s\n", total);
  const bench::Summary s = bench::Summarise(gaps.Gaps());
  std::printf("  event-loop gap (%d ms timer): %s\n", kGapTimerMs,
              bench::Describe(s, "ms").c_str());
  std::printf("  messages shown: %zu\n", prompts.shown().size());
  for (const common::Message& m : prompts.shown())
    std::printf("    %s: %s\n", qPrintable(m.title), qPrintable(m.text));
  std::printf("  link: CRC errors %ld, time-outs %ld, NAKs %ld\n", counters.crc_errors,
              counters.timeouts, counters.naks);
  return 0;
}
