// Check Outputs against a scripted device: early stops, band edges and the wire.
#include "corvid/session/check_outputs.h"

#include <gtest/gtest.h>

#include "corvid/testing/test_harness.h"

namespace corvid {
namespace {

using testing::SessionHarness;
using testing::StatusPayload;
using testing::StatusValues;
using Shown = std::pair<QString, QString>;

struct CheckRun {
  std::vector<Shown> messages;
  std::vector<std::uint8_t> disable_bytes;  // of the status commands sent, in order
  bool all_disabled = true;
  int busy_at_end = -1;  // hourglass depth after the check
};

// Check Outputs on an LV device with a 50 ohm resistor.
CheckRun RunCheck(const StatusValues& v, int device_type = 2, float resistor = 50) {
  SessionHarness h;
  h.app.state().device_type = device_type;
  h.app.settings().cal.lv_resistor = resistor;
  h.device.payloads[0x01] = StatusPayload(v);
  CheckOutputs(h.session, h.prompts, 1);
  CheckRun run;
  for (const auto& m : h.prompts.shown()) run.messages.emplace_back(m.title, m.text);
  for (const auto& c : h.device.commands) run.disable_bytes.push_back(c[0] == 0x01 ? c[2] : 0);
  run.all_disabled = h.session.Disables() == 0x3F;
  run.busy_at_end = h.prompts.busy_depth();
  return run;
}

TEST(CheckOutputsTest, UnknownDeviceTypeTouchesNoOutput) {
  const CheckRun run = RunCheck({}, 7);
  EXPECT_EQ(run.messages, (std::vector<Shown>{{"Device Error", "ERROR: Unknown Device Type"}}));
  EXPECT_TRUE(run.disable_bytes.empty());
  EXPECT_TRUE(run.all_disabled);
  EXPECT_EQ(run.busy_at_end, 0);
}

// Output 2 reads 0 V: five settle polls, 31 polls for each of outputs 0-2 with only
// that output enabled, then the stop.
TEST(CheckOutputsTest, ZeroReadingsStopAtThatOutput) {
  StatusValues v;
  v.volts[2] = 0;
  CheckRun run = RunCheck(v);
  EXPECT_EQ(run.messages,
            (std::vector<Shown>{{"Output Current Error",
                                 "The Channel 1 Green input voltage is reporting 0 Volts."}}));
  std::vector<std::uint8_t> expected(5, 0xBF);
  for (int k = 0; k < 3; ++k) expected.insert(expected.end(), 31, 0xBF & ~(1 << k));
  EXPECT_EQ(run.disable_bytes, expected);
  EXPECT_TRUE(run.all_disabled);
  EXPECT_EQ(run.busy_at_end, 0);

  v = {};
  v.amps[4] = 0;
  run = RunCheck(v);
  EXPECT_EQ(run.messages,
            (std::vector<Shown>{{"Output Current Error",
                                 "The Channel 2 Yellow input current is reporting 0 mAmps."}}));
  EXPECT_EQ(run.disable_bytes.size(), 5u + 5 * 31);
  EXPECT_TRUE(run.all_disabled);
}

TEST(CheckOutputsTest, BandEdgesPassAndEachFailureHasItsBox) {
  // Mains 100.0 V, resistor 50 ohm: 98-102 V, current 0.98-1.02 x V * 20 mA.
  StatusValues v{.mains = 1000,
                 .volts = {980, 979, 1020, 1021, 1000, 1000},
                 .amps = {1960, 1958, 2040, 2042, 1960, 1959}};
  const CheckRun run = RunCheck(v);
  EXPECT_EQ(run.messages,
            (std::vector<Shown>{{"Output Voltage Low Error",
                                 "The Channel 1 Yellow input voltage is reporting 97.9 Volts."},
                                {"Output Voltage High Error",
                                 "The Channel 2 Red input voltage is reporting 102.1 Volts."},
                                {"Output Current Low Error",
                                 "The Channel 2 Green output current is reporting 1959 mA."}}));
  EXPECT_EQ(run.disable_bytes.size(), 5u + 6 * 31 + 5);
  EXPECT_EQ(run.disable_bytes.back(), 0xBF);
  EXPECT_TRUE(run.all_disabled);
}

TEST(CheckOutputsTest, ZeroResistorIsReportedNotDividedBy) {
  const CheckRun run = RunCheck({}, 2, 0);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].first, "Output Current Error");
  EXPECT_TRUE(run.messages[0].second.contains("0 Ohms"));
  EXPECT_EQ(run.disable_bytes.size(), 5u + 6 * 31 + 5);  // the voltages are still checked
}

// Poll ticks go on in the pauses of the check, each exchange whole: no answer is
// taken by the wrong caller, and the check still sees every one of its own polls.
TEST(CheckOutputsTest, PollTicksRunInThePausesWithoutOverlapping) {
  SessionHarness h;
  h.app.state().device_type = 2;
  h.app.settings().cal.lv_resistor = 50;
  h.device.payloads[0x01] = StatusPayload({});
  h.session.Loop().Timer()->start(1);
  CheckOutputs(h.session, h.prompts, 3);
  h.session.Loop().Timer()->stop();
  EXPECT_TRUE(h.prompts.shown().empty());
  int status = 0, identify = 0;
  for (const auto& c : h.device.commands) {
    status += c[0] == 0x01;
    identify += c[0] == 0x3C;
  }
  EXPECT_GT(identify, 0);             // ticks ran during the check
  EXPECT_GT(status, 5 + 6 * 31 + 5);  // theirs and the check's own
  EXPECT_EQ(h.link.Counters().timeouts, 0);
  EXPECT_EQ(h.link.Counters().crc_errors, 0);
  EXPECT_EQ(h.session.Disables(), 0x3F);
}

TEST(CheckOutputsTest, SilentDeviceKeepsTheLastReadingsAndEnds) {
  SessionHarness h;
  h.app.state().device_type = 2;
  h.app.settings().cal.lv_resistor = 50;
  h.session.GetStatus();
  h.link.SetResponseWindowMs(1);
  h.device.silent = true;
  CheckOutputs(h.session, h.prompts, 1);
  EXPECT_TRUE(h.prompts.shown().empty());
  EXPECT_EQ(h.link.Counters().timeouts, 5 + 6 * 31 + 5);
}

}  // namespace
}  // namespace corvid
