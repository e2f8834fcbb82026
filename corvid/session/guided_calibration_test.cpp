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

enum class Technician { kFollows, kCancelsVoltage, kNeverAnswers };

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
  void PrepareStep(CalMode mode, const QString& text, bool start_enabled) override {
    Note(mode == CalMode::kVoltage ? "step1 " : "step2 ");
    instructions = text;
    SwitchPackOptions& o = Model().Options();
    o.vcal = mode == CalMode::kVoltage;
    o.ical = mode == CalMode::kCurrent;
    if (mode == CalMode::kCurrent) o.dead_outputs |= dies_in_current_step;
    if (technician == Technician::kNeverAnswers) return;
    const bool cancel =
        !start_enabled || (technician == Technician::kCancelsVoltage && mode == CalMode::kVoltage);
    QTimer::singleShot(0, &guided, [this, cancel] { cancel ? guided.Cancel() : guided.Start(); });
  }
  void ShowInstructions(const QString& text) override { instructions = text; }
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
  Technician technician = Technician::kFollows;
  std::uint8_t dies_in_current_step = 0;
  std::string calls;
  QString instructions;
};

// Runs that end without "Calibration Completed": each leaves polling on, every output
// disabled, and says why. Which readings stop a run is the step machine's test; these
// are the ends the session itself takes part in.
TEST(GuidedCalibrationTest, RunsThatStopOrFail) {
  struct Case {
    const char* name;
    std::uint8_t dead = 0;  // outputs dead from the start
    std::uint8_t dies = 0;  // outputs that die when the current step begins
    Technician technician = Technician::kFollows;
    float resistor = 55.01f;
    std::string calls;
    const char* title = nullptr;  // error box, nullptr: none
    const char* text = nullptr;
    std::optional<bool> result;
    bool silent_at_last_current_factor = false;  // the device stops answering there
  };
  const Case cases[] = {
      {.name = "output 2 Red gives out in the current step",
       .dies = 0x08,
       .calls = "factors step1 factors step2 closed ",
       .title = "Current Calibration Error",
       .text = "The Channel 2 Red input voltage is reporting 0 Volts. Calibration cannot "
               "continue.",
       .result = std::nullopt},
      // The computed current factors never reached the device: the boxes show what did.
      {.name = "the device stops answering once the current factors are computed",
       .calls = "factors step1 factors step2 closed ",
       .title = "Calibrate Error",
       .text = "The device stopped answering (no answer to the calibration factors sent). "
               "Every output is disabled again and polling resumes; calibrate again once the "
               "device responds. Calibration cannot continue.",
       .result = std::nullopt,
       .silent_at_last_current_factor = true},
      {.name = "cancel at the voltage instructions",
       .technician = Technician::kCancelsVoltage,
       .calls = "factors step1 closed ",
       .result = std::nullopt},
      {.name = "resistor setting 0: refused before anything is sent",
       .resistor = 0,
       .calls = "",
       .title = "Calibrate Error",
       .text = "The Calibrate Current Resistor setting is 0 Ohms. Correct it under Calibration "
               "Settings. Calibration cannot continue.",
       .result = std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SwitchPackOptions options = FewPercentOff();
    options.dead_outputs = c.dead;
    Rig rig(options);
    rig.technician = c.technician;
    rig.dies_in_current_step = c.dies;
    rig.app.settings().cal.hv_resistor = c.resistor;
    // Factors from an earlier calibration are in the device.
    for (int i = 0; i < kFactorCount; ++i) rig.boxes.SetText(i, "1234");
    ASSERT_TRUE(rig.app.session().SetCalibration());
    if (c.silent_at_last_current_factor) {
      QObject::connect(&rig.boxes, &FactorBoxes::Changed, [&rig](int index, const QString& text) {
        if (index == kFactorCount - 1 && text != "7E80") rig.Model().Options().silent = true;
      });
    }
    const std::size_t frames_before = rig.Model().Received().size();
    rig.Run();
    rig.Model().Options().silent = false;
    if (const auto sent = rig.app.session().SentFactors()) {  // the boxes hold no unsent factor
      EXPECT_EQ(rig.boxes.Factors(), sent);
      EXPECT_EQ(sent, rig.Model().Factors());
    }
    EXPECT_EQ(rig.calls, c.calls);
    std::vector<std::pair<QString, QString>> shown;
    for (const auto& m : rig.prompts.shown()) {
      shown.emplace_back(m.title, m.text);
      EXPECT_EQ(m.icon, common::Icon::kCritical);
    }
    const auto expected = c.title ? std::vector<std::pair<QString, QString>>{{c.title, c.text}}
                                  : std::vector<std::pair<QString, QString>>{};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(rig.guided.LastResult(), c.result);
    EXPECT_EQ(rig.app.session().Disables(), 0x3F);
    EXPECT_TRUE(rig.app.session().Loop().Timer()->isActive());
    if (c.resistor == 0) {
      EXPECT_EQ(rig.Model().Received().size(), frames_before);
    }
    if (c.technician == Technician::kCancelsVoltage) {
      // The defaults written at the start stay in the device.
      EXPECT_EQ(rig.Model().Factors(), *DefaultFactors(4));
    }
    // The device itself was told: the next poll carries every disable.
    rig.app.session().Loop().Timer()->stop();
    ASSERT_TRUE(rig.app.session().GetStatus());
    EXPECT_EQ(rig.Model().DisableBits(), 0x3F);
  }
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

TEST(GuidedCalibrationTest, AutoFollowsOneRuleAndClosingTheProgramEndsARun) {
  Rig rig(FewPercentOff());
  rig.technician = Technician::kNeverAnswers;
  EXPECT_FALSE(rig.guided.AutoAvailable());  // until the Calibrate menu is opened
  rig.guided.Auto();
  EXPECT_FALSE(rig.guided.Running());

  rig.app.state().device_type = 9;
  rig.guided.PrepareWorkingValues();
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_EQ(rig.prompts.shown()[0].title, "Calibrate Error");
  EXPECT_EQ(rig.prompts.shown()[0].text, "ERROR: Unknown Device Type");
  EXPECT_FALSE(rig.guided.AutoAvailable());

  rig.app.state().device_type = 4;
  rig.guided.PrepareWorkingValues();
  EXPECT_EQ(rig.guided.Working(), (WorkingValues{110.0f, 55.01f, 0xED09, 0x7E80}));
  EXPECT_TRUE(rig.guided.AutoAvailable());
  // Not against a device that does not answer.
  rig.Model().Options().silent = true;
  rig.app.session().PollTick();
  rig.guided.Auto();
  EXPECT_FALSE(rig.guided.Running());
  ASSERT_EQ(rig.prompts.shown().size(), 2u);
  EXPECT_TRUE(rig.prompts.shown()[1].text.startsWith("The device is not responding"));
  rig.Model().Options().silent = false;
  rig.app.session().PollTick();
  rig.guided.Auto();
  EXPECT_TRUE(rig.guided.Running());
  EXPECT_TRUE(rig.app.session().Loop().Suspended());
  rig.guided.PrepareWorkingValues();  // the menu opened during the run offers no second one
  EXPECT_FALSE(rig.guided.AutoAvailable());
  ASSERT_EQ(rig.wait.Until([&] { return rig.calls == "factors step1 "; }, 5000),
            common::WaitResult::kReady);
  rig.guided.Cancel();
  EXPECT_FALSE(rig.guided.Running());
  EXPECT_FALSE(rig.guided.AutoAvailable());  // a cancelled run needs the menu again
  EXPECT_FALSE(rig.app.session().Loop().Suspended());

  // The program closes while the technician reads the instructions: nothing more is sent.
  rig.guided.PrepareWorkingValues();
  rig.calls.clear();
  rig.guided.Auto();
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
