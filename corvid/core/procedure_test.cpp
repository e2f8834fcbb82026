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

// The windows, the technician and the device around one run of a VELD-LV (type 2). The
// run is logged as tokens: "off*", "on3", "off3", "defaults", "f6=4F70", "set", "poll",
// "100ms", "await1", "error", "report+"/"report-", "cancelled", "finished".
struct Bench {
  SwitchPackModel device;
  std::function<void(CalibrationProcedure&, SwitchPackModel&)> before_poll = {};
  bool cancels = false;  // the technician cancels where the instructions ask for Start
  std::string log = {};
  std::vector<Message> errors = {};
  FactorTexts boxes{};
  std::uint8_t disables = 0;
  Readings shown = {};

  common::Bytes Exchange(const common::Bytes& command) {
    HdlcReceiver rx;
    for (std::uint8_t b : device.Receive(BuildCommandFrame(1, command)).bytes)
      if (rx.Take(b)) break;
    const ResponseCheck check = EvaluateResponse(rx.Frame());
    return check.kind == ResponseKind::kOk ? check.payload : common::Bytes{};
  }

  void Poll(CalibrationProcedure& p) {
    if (before_poll) before_poll(p, device);
    const auto reading = monitor::DecodeStatus(
        Exchange(monitor::BuildStatusCommand(monitor::StatusLayout::kSwitchPack, 0, disables)));
    if (reading) {  // a failed poll leaves the window as it was
      shown.mains = reading->mains / 10.0;
      for (int i = 0; i < kOutputs; ++i)
        shown.volts[i] = reading->volts[i] / 10.0, shown.amps[i] = reading->amps[i];
    }
    p.Shown(shown);
  }

  void Run(CalibrationProcedure& p) {
    static constexpr const char* kTokens[] = {"none",  "off*",   "on#",       "off#",    "defaults",
                                              "f#=",   "set",    "poll",      "#ms",     "await#",
                                              "error", "report", "cancelled", "finished"};
    for (int guard = 0; guard < 1000; ++guard) {
      const Action a = p.Next();
      std::string token = kTokens[static_cast<int>(a.kind)];
      if (const auto at = token.find('#'); at != std::string::npos)
        token.replace(at, 1, std::to_string(a.value));
      const ActionKind kind = a.kind;
      if (kind == ActionKind::kNone) break;  // stalled: nobody is going to press anything
      if (kind == ActionKind::kDisableAllOutputs) disables = 0x3F;
      if (kind == ActionKind::kEnableOutput) disables &= ~(1 << a.value);
      if (kind == ActionKind::kDisableOutput) disables |= 1 << a.value;
      if (kind == ActionKind::kLoadDefaults) boxes = DefaultFactorTexts(2).value();
      if (kind == ActionKind::kWriteFactor) boxes.at(a.value) = a.text, token += a.text;
      if (kind == ActionKind::kSetCalibration) {
        EXPECT_EQ(Exchange(monitor::BuildCalibrationCommand(FactorsFromTexts(boxes).value())),
                  common::Bytes{0xFC});
      }
      if (kind == ActionKind::kGetStatus) Poll(p);
      if (kind == ActionKind::kShowError) errors.push_back(a.message);
      if (kind == ActionKind::kReport) token += a.passed ? "+" : "-";
      log += (log.empty() ? "" : " ") + token;
      if (a.kind == ActionKind::kAwaitStart) {  // sets the switches as told
        device.Options().vcal = a.value == static_cast<int>(CalMode::kVoltage);
        device.Options().ical = a.value == static_cast<int>(CalMode::kCurrent);
        p.StartEnabled() && !cancels ? p.Start() : p.Cancel();
      }
      if (a.kind == ActionKind::kCancelled || a.kind == ActionKind::kFinished) {
        EXPECT_TRUE(p.Over());
        return;
      }
    }
    ADD_FAILURE() << "no end after: " << log;
  }
};

constexpr WorkingValues kLv{48.0f, 26.12f, 0x4F70, 0x7E80};
// On its 48 V supply with 26.12 ohm loads.
constexpr SwitchPackOptions kDevice{.device_type = 2, .mains_volts = 48, .load_ohms = 26.12};

// Five polls each followed by a pause; five each after a pause, and one more.
const std::string kPollsThenPauses = "poll 100ms poll 100ms poll 100ms poll 100ms poll 100ms";
const std::string kPausesThenPolls = "100ms poll 100ms poll 100ms poll 100ms poll 100ms poll poll";
std::string Measure(int output) { return "on" + std::to_string(output) + " " + kPausesThenPolls; }

TEST(CalibrationProcedureTest, AFullRunInOrder) {
  Bench bench{.device = SwitchPackModel(kDevice)};
  CalibrationProcedure p(2, kLv);
  bench.Run(p);
  std::string expected = "off* defaults set 100ms poll 100ms await1 defaults set " +
                         kPollsThenPauses +
                         " f6=4F70 f0=4F70 f1=4F70 f2=4F70 f3=4F70 f4=4F70 f5=4F70 set " +
                         kPollsThenPauses + " 100ms poll 100ms await2 " + kPollsThenPauses;
  // 1838 mA where 1837.67 are expected
  for (int i = 0; i < 6; ++i)
    expected += " " + Measure(i) + " f" + std::to_string(7 + i) + "=7E7D off" + std::to_string(i);
  expected += " set " + kPollsThenPauses;
  for (int i = 0; i < 6; ++i) expected += " " + Measure(i) + " off" + std::to_string(i);
  EXPECT_EQ(bench.log, expected + " report+ finished");
  EXPECT_TRUE(bench.errors.empty());
  p.Cancel();  // "Done" after the report, and a stray Start, change nothing
  p.Start();
  EXPECT_EQ(std::pair(p.Next().kind, p.Passed()),
            std::pair(ActionKind::kNone, std::optional(true)));
}

// A stop switches off the output it had on; a failed check still checks every output;
// Cancel switches off the output on; no resistor setting is refused before anything is sent.
TEST(CalibrationProcedureTest, RunsThatStopFailOrAreCancelled) {
  struct Case {
    const char* name;
    SwitchPackOptions device = kDevice;
    std::function<void(CalibrationProcedure&, SwitchPackModel&)> before_poll = {};
    std::string log_end;
    Message error = {};       // the box, or its title empty: none
    std::string report = "";  // what follows "Calibration Not Completed" in a failed run
    bool cancels = false;
    float resistor = 26.12f;
  };
  SwitchPackOptions low = kDevice, stuck = kDevice, far_off = kDevice, no_mains = kDevice;
  low.gain[7] = 0.9;
  stuck.dead_outputs = 0x04;
  far_off.gain[7] = 0.2;
  no_mains.mains_volts = 0;
  const Case cases[] = {
      {.name = "current 10 % low: the midpoint leaves 5 %",
       .device = low,
       .log_end = Measure(4) + " off4 " + Measure(5) + " off5 report- finished",
       .report = "Channel 1 Red current: 1746 mAmps, 5.0 % below 1838 mAmps expected (allowed "
                 "3 %)\r\n"},
      {.name = "output stuck at 0 V",
       .device = stuck,
       .log_end = "f6=4F70 f0=4F70 f1=4F70 error cancelled",
       .error = {"Voltage Calibration Error",
                 "The Channel 1 Green input voltage is reporting 0 Volts. Calibration cannot "
                 "continue."}},
      {.name = "no mains",
       .device = no_mains,
       .log_end = "100ms error cancelled",
       .error = {"Voltage Calibration Error",
                 "The Mains voltage is reporting 0 Volts. Calibration cannot continue."}},
      {.name = "current 80 % low: no factor fits",
       .device = far_off,
       .log_end = Measure(0) + " error off0 cancelled",
       .error = {"Current Calibration Error",
                 "The Channel 1 Red input current is reporting 368 mAmps, too far from the "
                 "expected 1838 mAmps to calibrate. Calibration cannot continue."}},
      {.name = "ICAL left at NORMAL",
       .before_poll = [](CalibrationProcedure& p,
                         SwitchPackModel& d) { d.Options().ical &= p.Mode() != CalMode::kCurrent; },
       .log_end = Measure(0) + " error off0 cancelled",
       .error = {"Current Calibration Error",
                 "The Channel 1 Red input current is reporting 0 mAmps. Calibration cannot "
                 "continue."}},
      {.name = "Cancel at the first step",
       .log_end = "off* defaults set 100ms poll 100ms await1 cancelled",
       .cancels = true},
      {.name = "Cancel while output 1 is measured",
       .before_poll =
           [](CalibrationProcedure& p, SwitchPackModel&) {
             if (p.Instructions().ends_with("Output: 1 2")) p.Cancel();
           },
       .log_end = "on1 100ms poll off1 cancelled"},
      {.name = "no resistor setting",
       .log_end = "error finished",
       .error = {"Calibrate Error",
                 "The Calibrate Current Resistor setting is 0 Ohms. Correct it under Calibration "
                 "Settings. Calibration cannot continue."},
       .resistor = 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench{
        .device = SwitchPackModel(c.device), .before_poll = c.before_poll, .cancels = c.cancels};
    CalibrationProcedure p(2, WorkingValues{48.0f, c.resistor, 0x4F70, 0x7E80});
    bench.Run(p);
    EXPECT_TRUE(bench.log.ends_with(c.log_end)) << bench.log;
    EXPECT_EQ(bench.errors, c.error.title.empty() ? std::vector<Message>{} : std::vector{c.error});
    EXPECT_EQ(p.Passed(), c.report.empty() ? std::nullopt : std::optional(false));
    EXPECT_TRUE(p.Instructions().ends_with("\r\nCalibration Not Completed\r\n" + c.report) ||
                c.report.empty())
        << p.Instructions();
    // A stop in the voltage step leaves the defaults sent at its start in the device;
    // a refused run sends nothing.
    if (c.resistor == 0) {
      EXPECT_TRUE(bench.device.Received().empty());
    } else if (p.Mode() == CalMode::kVoltage) {
      EXPECT_EQ(bench.device.Factors(), DefaultFactors(2));
    }
  }
}

}  // namespace
}  // namespace corvid::calibration
