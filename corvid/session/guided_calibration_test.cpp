// The full calibration driven against the session and the in-process switch pack:
// the technician is played by the view, which sets the VCAL and ICAL switches as the
// instructions say and presses Start (or Cancel).
#include "corvid/session/guided_calibration.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

#include "common/qtcore/event_wait.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "corvid/link/settings_store.h"
#include "corvid/session/corvid_app.h"
#include "corvid/session/factor_boxes.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid::calibration {
namespace {

// A KRAN-HV on a 110 V supply with 55.01 ohm loads, every measurement a few percent off.
SwitchPackOptions FewPercentOff() {
  SwitchPackOptions o{.device_type = 4, .mains_volts = 110, .load_ohms = 55.01};
  o.gain = {0.98, 1.02, 1.01, 0.99, 1.03, 0.97,   // field voltages
            1.02,                                 // signal power
            1.02, 0.98, 0.97, 1.03, 1.01, 0.99};  // field currents
  return o;
}

// The session over the switch pack, started and identified, the poll timer stopped.
class Rig : public CalibrationView {
 public:
  explicit Rig(SwitchPackOptions options) : options_(options) {
    app.session().SetCalibrationSource([this] { return boxes.Factors(); });
    app.session().Start();
    app.session().Loop().Timer()->stop();
    app.session().PollTick();  // identification: DeviceType
    guided.SetPauseMs(1);
    QObject::connect(&guided, &GuidedCalibration::StateChanged, [this] { wait.Wake(); });
  }

  // Opens the Calibrate menu, starts "Auto" and waits for the run to end.
  void Run() {
    guided.PrepareWorkingValues();
    guided.Auto();
    ASSERT_EQ(wait.Until([this] { return !guided.Running(); }, 20000), common::WaitResult::kReady)
        << "calls: " << calls;
  }

  SwitchPackModel& Model() { return *static_cast<SwitchPackModel*>(app.Model()); }

  // CalibrationView, played by the technician.
  void Note(const char* call) {
    calls += call;
    wait.Wake();
  }
  void ShowFactors() override { Note("factors "); }
  void PrepareStep(CalMode mode, const QString&, bool start_enabled) override {
    Note(mode == CalMode::kVoltage ? "step1 " : "step2 ");
    SwitchPackOptions& o = Model().Options();
    o.vcal = mode == CalMode::kVoltage;
    o.ical = mode == CalMode::kCurrent;
    if (!answers) return;
    QTimer::singleShot(0, &guided,
                       [this, start_enabled] { start_enabled ? guided.Start() : guided.Cancel(); });
  }
  void ShowInstructions(const QString&) override {}
  void ShowReport(bool passed) override { Note(passed ? "report+ " : "report- "); }
  void CloseStep() override { Note("closed "); }

  SwitchPackOptions options_;
  QTemporaryDir dir;
  common::ScriptedPrompts prompts;
  CorvidApp app{common::MakePortSetup(std::make_unique<SwitchPackModel>(options_), false), prompts,
                std::make_unique<SettingsStore>(dir.filePath("Corvid.conf"))};
  FactorBoxes boxes;
  GuidedCalibration guided{app.session(), prompts, boxes, *this};
  common::EventWait wait;
  bool answers = true;  // the technician presses Start (or Cancel) when asked
  std::string calls;
};

// The device stops answering once the current factors are computed: the run stops,
// polling resumes with every output disabled in the device too, and the boxes show
// the factors the device holds, not the computed ones it never got. Which readings
// stop a run is the step machine's test.
TEST(GuidedCalibrationTest, ARunThatStopsLeavesPollingOnAndTheBoxesTrue) {
  Rig rig(FewPercentOff());
  // Factors from an earlier calibration are in the device.
  for (int i = 0; i < kFactorCount; ++i) rig.boxes.SetText(i, "1234");
  ASSERT_TRUE(rig.app.session().SetCalibration());
  QObject::connect(&rig.boxes, &FactorBoxes::Changed, [&rig](int index, const QString& text) {
    if (index == kFactorCount - 1 && text != "7E80") rig.Model().Options().silent = true;
  });
  rig.Run();
  rig.Model().Options().silent = false;
  const auto sent = rig.app.session().SentFactors();
  ASSERT_TRUE(sent.has_value());
  EXPECT_EQ(rig.boxes.Factors(), sent);
  EXPECT_EQ(sent, rig.Model().Factors());
  EXPECT_EQ(rig.calls, "factors step1 factors step2 closed ");
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_TRUE(rig.prompts.shown()[0].text.startsWith("The device stopped answering"));
  EXPECT_EQ(std::tuple(rig.guided.LastResult(), rig.app.session().Disables(),
                       rig.app.session().Loop().Timer()->isActive()),
            std::tuple(std::nullopt, 0x3F, true));
  rig.app.session().Loop().Timer()->stop();
  ASSERT_TRUE(rig.app.session().GetStatus());
  EXPECT_EQ(rig.Model().DisableBits(), 0x3F);
}

// A run of minutes must not end on one lost answer: each exchange is tried again.
TEST(GuidedCalibrationTest, AnAnswerLostNowAndThenDoesNotEndTheRun) {
  SwitchPackOptions options = FewPercentOff();
  options.drop_every = 7;
  Rig rig(options);
  rig.Run();
  EXPECT_EQ(rig.calls, "factors step1 factors step2 report+ ");
  EXPECT_TRUE(rig.prompts.shown().empty());
  EXPECT_GT(rig.app.session().Counters().timeouts, 0u);
}

// Which menu items a run leaves on is the windows' test; here, what the session does.
TEST(GuidedCalibrationTest, WhenARunMayStartAndClosingTheProgramEndsIt) {
  Rig rig(FewPercentOff());
  rig.answers = false;
  rig.app.state().device_type = 9;
  rig.guided.PrepareWorkingValues();
  rig.guided.Auto();
  EXPECT_FALSE(rig.guided.Running());
  rig.app.state().device_type = 4;
  rig.guided.PrepareWorkingValues();
  EXPECT_EQ(rig.guided.Working(), (WorkingValues{110.0f, 55.01f, 0xED09, 0x7E80}));
  // Not against a device that does not answer.
  rig.Model().Options().silent = true;
  rig.app.session().PollTick();
  rig.guided.Auto();
  EXPECT_FALSE(rig.guided.Running());
  rig.Model().Options().silent = false;
  QStringList shown;
  for (const auto& box : rig.prompts.shown()) shown << box.title + ": " + box.text.left(28);
  EXPECT_EQ(shown, QStringList({"Calibrate Error: ERROR: Unknown Device Type",
                                "Calibrate Error: The device is not responding"}));

  // The program closes while the technician reads the instructions: nothing more is sent.
  rig.app.session().PollTick();
  rig.guided.Auto();
  EXPECT_TRUE(rig.guided.Running());
  EXPECT_TRUE(rig.app.session().Loop().Suspended());
  ASSERT_EQ(rig.wait.Until([&] { return rig.calls == "factors step1 "; }, 5000),
            common::WaitResult::kReady);
  rig.app.session().Close();
  const std::size_t frames = rig.Model().Received().size();
  rig.guided.Start();
  EXPECT_FALSE(rig.guided.Running());
  EXPECT_EQ(rig.calls, "factors step1 closed ");
  EXPECT_EQ(rig.Model().Received().size(), frames);
}

}  // namespace
}  // namespace corvid::calibration
