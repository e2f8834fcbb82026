// The guided calibration's step machine driven as the program will drive it, but
// in-process: every status poll and SetCalibration goes as wire bytes to the switch-pack
// model, and its answers come back through the monitor's decoder.
#include "corvid/core/procedure.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/core/bytes.h"
#include "corvid/core/commands.h"
#include "corvid/core/factor_texts.h"
#include "corvid/core/hdlc_frame.h"
#include "corvid/core/response_decoders.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid::calibration {
namespace {

using Hook = std::function<void(CalibrationProcedure&, SwitchPackModel&)>;
using Technician = std::function<void(CalibrationProcedure&, SwitchPackModel&, CalMode)>;

// Sets the switches as told and presses Start when it can, else Cancel.
void FollowInstructions(CalibrationProcedure& p, SwitchPackModel& device, CalMode mode) {
  device.Options().vcal = mode == CalMode::kVoltage;
  device.Options().ical = mode == CalMode::kCurrent;
  p.StartEnabled() ? p.Start() : p.Cancel();
}

// The windows, the technician and the device around one run.
class Bench {
 public:
  explicit Bench(SwitchPackOptions options) : device_(options) {}

  // The run as tokens: "off*", "on3", "off3", "defaults", "f6=5046", "set", "poll",
  // "100ms", "await1", "error", "report+"/"report-", "cancelled", "finished".
  std::string log;
  std::vector<Message> errors;
  Hook before_poll;  // the device may change before a status poll
  Technician technician = FollowInstructions;

  SwitchPackModel& Device() { return device_; }

  void Run(CalibrationProcedure& p, int device_type) {
    for (int guard = 0; guard < 1000; ++guard) {
      const Action a = p.Next();
      const ActionKind kind = a.kind;
      if (kind == ActionKind::kNone) break;  // stalled: nobody is going to press anything
      if (kind == ActionKind::kDisableAllOutputs) disables_ = 0x3F;
      if (kind == ActionKind::kEnableOutput) disables_ &= ~(1 << a.value);
      if (kind == ActionKind::kDisableOutput) disables_ |= 1 << a.value;
      if (kind == ActionKind::kLoadDefaults)
        boxes_ = DefaultFactorTexts(device_type).value_or(boxes_);
      if (kind == ActionKind::kWriteFactor) boxes_.at(a.value) = a.text;
      if (kind == ActionKind::kSetCalibration && FactorsFromTexts(boxes_)) {
        EXPECT_EQ(Exchange(monitor::BuildCalibrationCommand(*FactorsFromTexts(boxes_))),
                  common::Bytes{0xFC});
      }
      if (kind == ActionKind::kGetStatus) Poll(p);
      if (kind == ActionKind::kShowError) errors.push_back(a.message);
      Note(Token(a));
      if (kind == ActionKind::kAwaitStart) technician(p, device_, static_cast<CalMode>(a.value));
      if (kind == ActionKind::kCancelled || kind == ActionKind::kFinished) {
        EXPECT_TRUE(p.Over());
        return;
      }
    }
    ADD_FAILURE() << "no end after: " << log;
  }

 private:
  // "on#" with # the action's value; a factor's text and a report's verdict follow.
  static std::string Token(const Action& a) {
    static constexpr const char* kTokens[] = {"none",  "off*",   "on#",       "off#",    "defaults",
                                              "f#=",   "set",    "poll",      "#ms",     "await#",
                                              "error", "report", "cancelled", "finished"};
    std::string token = kTokens[static_cast<int>(a.kind)];
    if (const auto at = token.find('#'); at != std::string::npos)
      token.replace(at, 1, std::to_string(a.value));
    if (a.kind == ActionKind::kWriteFactor) token += a.text;
    if (a.kind == ActionKind::kReport) token += a.passed ? "+" : "-";
    return token;
  }
  void Note(const std::string& token) { log += (log.empty() ? "" : " ") + token; }

  void Poll(CalibrationProcedure& p) {
    if (before_poll) before_poll(p, device_);
    const auto reading = monitor::DecodeStatus(
        Exchange(monitor::BuildStatusCommand(monitor::StatusLayout::kSwitchPack, 0, disables_)));
    if (reading) {  // a failed poll leaves the window as it was
      shown_.mains = reading->mains / 10.0;
      for (int i = 0; i < kOutputs; ++i) {
        shown_.volts[i] = reading->volts[i] / 10.0;
        shown_.amps[i] = reading->amps[i];
      }
    }
    p.Shown(shown_);
  }

  common::Bytes Exchange(const common::Bytes& command) {
    HdlcReceiver rx;
    for (std::uint8_t b : device_.Receive(BuildCommandFrame(1, command)).bytes)
      if (rx.Take(b)) break;
    const ResponseCheck check = EvaluateResponse(rx.Frame());
    return check.kind == ResponseKind::kOk ? check.payload : common::Bytes{};
  }

  SwitchPackModel device_;
  FactorTexts boxes_;
  std::uint8_t disables_ = 0;
  Readings shown_;
};

constexpr WorkingValues kLv{48.0f, 26.12f, 0x4F70, 0x7E80};
// A VELD-LV on its 48 V supply with 26.12 ohm loads.
constexpr SwitchPackOptions kDevice{.device_type = 2, .mains_volts = 48, .load_ohms = 26.12};

// Five polls each followed by a pause; five each after a pause, and one more.
const std::string kPollsThenPauses = "poll 100ms poll 100ms poll 100ms poll 100ms poll 100ms";
const std::string kPausesThenPolls = "100ms poll 100ms poll 100ms poll 100ms poll 100ms poll poll";
std::string Measure(int output) { return "on" + std::to_string(output) + " " + kPausesThenPolls; }

TEST(CalibrationProcedureTest, AFullRunInOrder) {
  Bench bench(kDevice);
  CalibrationProcedure p(2, kLv);
  bench.Run(p, 2);
  std::string expected = "off* defaults set 100ms poll 100ms await1 defaults set " +
                         kPollsThenPauses +
                         " f6=4F70 f0=4F70 f1=4F70 f2=4F70 f3=4F70 f4=4F70 f5=4F70 set " +
                         kPollsThenPauses + " 100ms poll 100ms await2 " + kPollsThenPauses;
  for (const char* i : {"0", "1", "2", "3", "4", "5"})  // 1838 mA where 1837.67 are expected
    expected += std::string(" on") + i + " " + kPausesThenPolls + " f" +
                std::to_string(7 + (*i - '0')) + "=7E7D off" + i;
  expected += " set " + kPollsThenPauses;
  for (const char* i : {"0", "1", "2", "3", "4", "5"})
    expected += std::string(" on") + i + " " + kPausesThenPolls + " off" + i;
  EXPECT_EQ(bench.log, expected + " report+ finished");
  EXPECT_EQ(p.Passed(), true);
  EXPECT_TRUE(bench.errors.empty());
  p.Cancel();  // "Done" after the report, and a stray Start, change nothing
  p.Start();
  EXPECT_EQ(p.Next().kind, ActionKind::kNone);
  EXPECT_EQ(p.Passed(), true);
}

// A stop switches off the output it had on; a failed check still checks every output.
TEST(CalibrationProcedureTest, RunsThatStopOrFail) {
  struct Case {
    const char* name;
    SwitchPackOptions device;
    bool no_load;  // ICAL left at NORMAL in the current step
    std::string log_end;
    Message error;            // the box, or its title empty: none
    std::string report = "";  // what follows "Calibration Not Completed" in a failed run
  };
  SwitchPackOptions low = kDevice, stuck = kDevice;
  low.gain[7] = 0.9;
  stuck.dead_outputs = 0x04;
  const Case cases[] = {
      {"current 10 % low: the midpoint leaves 5 %",
       low,
       false,
       Measure(4) + " off4 " + Measure(5) + " off5 report- finished",
       {},
       "Channel 1 Red current: 1746 mAmps, 5.0 % below 1838 mAmps expected (allowed 3 %)\r\n"},
      {"output stuck at 0 V",
       stuck,
       false,
       "f6=4F70 f0=4F70 f1=4F70 error cancelled",
       {"Voltage Calibration Error",
        "The Channel 1 Green input voltage is reporting 0 Volts. Calibration cannot continue."}},
      {"ICAL left at NORMAL",
       kDevice,
       true,
       Measure(0) + " error off0 cancelled",
       {"Current Calibration Error",
        "The Channel 1 Red input current is reporting 0 mAmps. Calibration cannot continue."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench(c.device);
    bench.before_poll = [&c](CalibrationProcedure& p, SwitchPackModel& device) {
      if (c.no_load && p.Mode() == CalMode::kCurrent) device.Options().ical = false;
    };
    CalibrationProcedure p(2, kLv);
    bench.Run(p, 2);
    EXPECT_TRUE(bench.log.ends_with(c.log_end)) << bench.log;
    EXPECT_EQ(bench.errors, c.error.title.empty() ? std::vector<Message>{} : std::vector{c.error});
    EXPECT_EQ(p.Passed(), c.report.empty() ? std::nullopt : std::optional(false));
    if (!c.report.empty()) {
      EXPECT_TRUE(p.Instructions().ends_with("\r\nCalibration Not Completed\r\n" + c.report))
          << p.Instructions();
    }
    if (p.Mode() == CalMode::kVoltage) {
      // A stop in the voltage step leaves the defaults sent at its start in the device.
      EXPECT_EQ(bench.Device().Factors(), DefaultFactors(2));
    }
  }
}

TEST(CalibrationProcedureTest, CancelAndWhatCannotStart) {
  {
    Bench bench(kDevice);
    bench.technician = [](CalibrationProcedure& p, SwitchPackModel&, CalMode) { p.Cancel(); };
    CalibrationProcedure p(2, kLv);
    bench.Run(p, 2);
    EXPECT_EQ(bench.log, "off* defaults set 100ms poll 100ms await1 cancelled");
    EXPECT_EQ(p.Passed(), std::nullopt);
  }
  {  // Cancelled while output 1 is measured: it is switched off again.
    Bench bench(kDevice);
    bench.before_poll = [](CalibrationProcedure& p, SwitchPackModel&) {
      if (p.Instructions().ends_with("Output: 1 2")) p.Cancel();
    };
    CalibrationProcedure p(2, kLv);
    bench.Run(p, 2);
    EXPECT_TRUE(bench.log.ends_with("on1 100ms poll off1 cancelled")) << bench.log;
    EXPECT_TRUE(bench.errors.empty());
  }
  // No resistor setting: refused before anything goes to the device.
  Bench bench(kDevice);
  CalibrationProcedure p(2, WorkingValues{48.0f, 0.0f, 0x4F70, 0x7E80});
  bench.Run(p, 2);
  EXPECT_EQ(bench.log, "error finished");
  EXPECT_EQ(bench.errors,
            (std::vector<Message>{{"Calibrate Error",
                                   "The Calibrate Current Resistor setting is 0 Ohms. Correct it "
                                   "under Calibration Settings. Calibration cannot continue."}}));
  EXPECT_TRUE(bench.Device().Received().empty());
  EXPECT_EQ(p.Passed(), std::nullopt);
}

}  // namespace
}  // namespace corvid::calibration
