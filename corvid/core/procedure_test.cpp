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

  std::optional<monitor::StatusReading> Status(std::uint8_t disables) {
    return monitor::DecodeStatus(
        Exchange(monitor::BuildStatusCommand(monitor::StatusLayout::kSwitchPack, 0, disables)));
  }

 private:
  static std::string Token(const Action& a) {
    static constexpr const char* kTokens[] = {"none",  "off*",   "on",        "off",     "defaults",
                                              "f",     "set",    "poll",      "ms",      "await",
                                              "error", "report", "cancelled", "finished"};
    const std::string n = std::to_string(a.value);
    const std::string token = kTokens[static_cast<int>(a.kind)];
    switch (a.kind) {
      case ActionKind::kEnableOutput:
      case ActionKind::kDisableOutput:
      case ActionKind::kAwaitStart:
        return token + n;
      case ActionKind::kWriteFactor:
        return token + n + "=" + a.text;
      case ActionKind::kDelay:
        return n + token;
      case ActionKind::kReport:
        return token + (a.passed ? "+" : "-");
      default:
        return token;
    }
  }
  void Note(const std::string& token) { log += (log.empty() ? "" : " ") + token; }

  void Poll(CalibrationProcedure& p) {
    if (before_poll) before_poll(p, device_);
    if (const auto reading = Status(disables_)) {  // a failed poll leaves the window as it was
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
constexpr WorkingValues kHv{110.0f, 55.01f, 0xED09, 0x7E80};

SwitchPackOptions Device(int device_type) {
  return device_type == 1
             ? SwitchPackOptions{.device_type = 1, .mains_volts = 110, .load_ohms = 55.01}
             : SwitchPackOptions{.device_type = device_type, .mains_volts = 48, .load_ohms = 26.12};
}

// Five polls each followed by a pause; five each after a pause, and one more.
const std::string kPollsThenPauses = "poll 100ms poll 100ms poll 100ms poll 100ms poll 100ms";
const std::string kPausesThenPolls = "100ms poll 100ms poll 100ms poll 100ms poll 100ms poll poll";
std::string Measure(int output) { return "on" + std::to_string(output) + " " + kPausesThenPolls; }

TEST(CalibrationProcedureTest, AFullRunInOrder) {
  Bench bench(Device(2));
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
  EXPECT_EQ(p.Instructions(),
            "Calibrating Voltage... Input: P 1 2 3 4 5 6\r\n"
            "Voltage Calibration Completed\r\n\r\n"
            "(1) Change VCAL switches to NORMAL position.\r\n"
            "(2) Set ICAL switches to ICAL position.\r\n"
            "(3) Set all Input Control switches to ON.\r\n"
            "(4) Set Signal power supply to 48 volts.\r\n"
            "(5) Click Start to continue.\r\n"
            "\r\nCalibrating Current... Output: 1 2 3 4 5 6\r\n"
            "Current Calibration Completed\r\n"
            "\r\nCalibration Completed\r\n");
  EXPECT_EQ(p.Passed(), true);
  EXPECT_TRUE(bench.errors.empty());
  p.Cancel();  // "Done" after the report, and a stray Start, change nothing
  p.Start();
  EXPECT_EQ(p.Next().kind, ActionKind::kNone);
  EXPECT_EQ(p.Passed(), true);
}

TEST(CalibrationProcedureTest, RunsThatEndEarlyOrFail) {
  struct Case {
    const char* name;
    int device_type;  // 1: HV, 2: LV
    int off_gain;     // this measurement reads off by gain (-1: none)
    double gain;
    std::uint8_t dead;          // outputs dead from the start
    double drift;               // supply after the voltage step (0: stays)
    std::uint8_t dead_current;  // outputs that die in the current step
    bool no_load;               // ICAL left at NORMAL in the current step
    std::string log_end;
    const char* title;  // error box; nullptr: none
    const char* text;
    std::optional<bool> passed;
    std::string report = "";  // lines that follow "Calibration Not Completed"
  };
  const Case cases[] = {
      Case{"supply drifts to 50 V after the voltage step: no current step", 2, -1, 1, 0, 50, 0,
           false, "f5=4F70 set " + kPollsThenPauses + " 100ms poll 100ms report- finished", nullptr,
           nullptr, false,
           "Mains voltage: 50 Volts, 4.2 % above 48 Volts (allowed 2 %)\r\n"
           "Channel 1 Red voltage: 50 Volts, 4.2 % above 48 Volts (allowed 2 %)\r\n"},
      Case{"current 10 % low: the midpoint leaves 5 %; every output still checked", 2, 7, 0.9, 0, 0,
           0, false, Measure(4) + " off4 " + Measure(5) + " off5 report- finished", nullptr,
           nullptr, false,
           "Channel 1 Red current: 1746 mAmps, 5.0 % below 1838 mAmps expected (allowed 3 %)\r\n"},
      Case{"output stuck at 0 V", 2, -1, 1, 0x04, 0, 0, false,
           "f6=4F70 f0=4F70 f1=4F70 error cancelled", "Voltage Calibration Error",
           "The Channel 1 Green input voltage is reporting 0 Volts. Calibration cannot continue.",
           std::nullopt},
      Case{"no supply", 2, 6, 0, 0, 0, 0, false, kPollsThenPauses + " error cancelled",
           "Voltage Calibration Error",
           "The Mains voltage is reporting 0 Volts. Calibration cannot continue.", std::nullopt},
      Case{"ICAL left at NORMAL", 2, -1, 1, 0, 0, 0, true, Measure(0) + " error off0 cancelled",
           "Current Calibration Error",
           "The Channel 1 Red input current is reporting 0 mAmps. Calibration cannot continue.",
           std::nullopt},
      Case{"output 3 dies in the current step", 2, -1, 1, 0, 0, 0x08, false,
           Measure(3) + " error off3 cancelled", "Current Calibration Error",
           "The Channel 2 Red input voltage is reporting 0 Volts. Calibration cannot continue.",
           std::nullopt},
      // 1 mA where 1838 are expected: n = 59511177, far beyond 16 bits.
      Case{"current factor out of range", 2, 9, 1.0 / 1838, 0, 0, 0, false,
           Measure(2) + " error off2 cancelled", "Current Calibration Error",
           "The Channel 1 Green input current is reporting 1 mAmps, too far from the expected "
           "1838 mAmps to calibrate. Calibration cannot continue.",
           std::nullopt},
      // HV mains 8 % low: 110 / 101.2 x 60681 = 65957, whose low 16 bits (421) would
      // leave the device reading almost nothing.
      Case{"voltage factor out of range", 1, 6, 0.92, 0, 0, 0, false,
           kPollsThenPauses + " error cancelled", "Voltage Calibration Error",
           "The Mains voltage is reporting 101.2 Volts, too far from 110 Volts to calibrate. "
           "Calibration cannot continue.",
           std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SwitchPackOptions options = Device(c.device_type);
    if (c.off_gain >= 0) options.gain[c.off_gain] = c.gain;
    options.dead_outputs = c.dead;
    Bench bench(options);
    bench.before_poll = [&c](CalibrationProcedure& p, SwitchPackModel& device) {
      if (c.drift && p.Instructions().ends_with(kVoltageDone))
        device.Options().mains_volts = c.drift;
      if (p.Mode() == CalMode::kCurrent) {
        device.Options().dead_outputs |= c.dead_current;
        if (c.no_load) device.Options().ical = false;
      }
    };
    CalibrationProcedure p(c.device_type, c.device_type == 1 ? kHv : kLv);
    bench.Run(p, c.device_type);
    EXPECT_TRUE(bench.log.ends_with(c.log_end)) << bench.log;
    const std::vector<Message> errors =
        c.title ? std::vector<Message>{{c.title, c.text}} : std::vector<Message>{};
    EXPECT_EQ(bench.errors, errors);
    EXPECT_EQ(p.Passed(), c.passed);
    if (c.passed == false) {
      EXPECT_NE(p.Instructions().find("\r\nCalibration Not Completed\r\n" + c.report),
                std::string::npos)
          << p.Instructions();
    }
    if (c.title && p.Mode() == CalMode::kVoltage) {
      // A stop in the voltage step leaves the defaults sent at its start in the device.
      EXPECT_EQ(bench.Device().Factors(), DefaultFactors(c.device_type));
    }
  }
}

TEST(CalibrationProcedureTest, CancelAndWhatCannotStart) {
  constexpr WorkingValues kNoResistor{48.0f, 0.0f, 0x4F70, 0x7E80};
  constexpr WorkingValues kNoVoltage{0.0f, 26.12f, 0x4F70, 0x7E80};
  enum Cancel { kNever, kAtVoltageInstructions, kWhileOutput1IsMeasured };
  struct Case {
    const char* name;
    int device_type;
    WorkingValues values;
    Cancel cancel;
    std::string log_end;
    const char* refusal;  // text of a "Calibrate Error" box, or nullptr
  };
  const Case cases[] = {
      Case{"cancel at the voltage instructions", 2, kLv, kAtVoltageInstructions,
           "off* defaults set 100ms poll 100ms await1 cancelled", nullptr},
      Case{"cancel while output 1 is measured: it is switched off again", 2, kLv,
           kWhileOutput1IsMeasured, "on1 100ms poll off1 cancelled", nullptr},
      Case{"unknown device type: Start stays off", 7, kLv, kNever,
           "off* defaults set 100ms poll 100ms await1 cancelled", nullptr},
      Case{"resistor setting 0", 2, kNoResistor, kNever, "error finished",
           "The Calibrate Current Resistor setting is 0 Ohms. Correct it under Calibration "
           "Settings. Calibration cannot continue."},
      Case{"signal voltage setting 0", 2, kNoVoltage, kNever, "error finished",
           "The Calibrate Signal Voltage setting is 0 Vrms. Correct it under Calibration "
           "Settings. Calibration cannot continue."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench(Device(c.device_type));
    if (c.cancel == kAtVoltageInstructions)
      bench.technician = [](CalibrationProcedure& p, SwitchPackModel&, CalMode) { p.Cancel(); };
    if (c.cancel == kWhileOutput1IsMeasured) {
      bench.before_poll = [](CalibrationProcedure& p, SwitchPackModel&) {
        if (p.Instructions().ends_with("Output: 1 2")) p.Cancel();
      };
    }
    CalibrationProcedure p(c.device_type, c.values);
    bench.Run(p, c.device_type);
    EXPECT_TRUE(bench.log.ends_with(c.log_end)) << bench.log;
    const std::vector<Message> errors =
        c.refusal ? std::vector<Message>{{"Calibrate Error", c.refusal}} : std::vector<Message>{};
    EXPECT_EQ(bench.errors, errors);
    EXPECT_EQ(p.Passed(), std::nullopt);
    if (c.refusal) {  // refused before anything went to the device
      EXPECT_EQ(bench.log, "error finished");
      EXPECT_TRUE(bench.Device().Received().empty());
    }
    if (c.device_type == 7) {
      EXPECT_EQ(p.Instructions(), "ERROR: Unknown Device Type");
    }
  }
}

}  // namespace
}  // namespace corvid::calibration
