// Check Outputs against a scripted device: early stops, the boxes and the wire.
#include "corvid/session/check_outputs.h"

#include <gtest/gtest.h>

#include "common/testing/test_support.h"
#include "corvid/testing/test_harness.h"

namespace corvid {
namespace {

using common::testing::WaitUntil;
using testing::StatusValues;
using Shown = std::vector<std::pair<QString, QString>>;

// The disable bytes of the status commands a check sends: five settle polls with
// every output off, 31 with only output k on for each output checked, and five more
// with every output off once all six are.
std::vector<std::uint8_t> Polls(int outputs) {
  std::vector<std::uint8_t> bytes(5, 0xBF);
  for (int k = 0; k < outputs; ++k) bytes.insert(bytes.end(), 31, 0xBF & ~(1 << k));
  if (outputs == 6) bytes.insert(bytes.end(), 5, 0xBF);
  return bytes;
}

// Check Outputs with the given readings: the boxes shown and the disable bytes sent;
// every output ends disabled and the hourglass gone.
void ExpectCheck(const StatusValues& v, int device_type, float resistor, const Shown& shown,
                 const std::vector<std::uint8_t>& disable_bytes) {
  testing::SessionHarness h;
  h.app.state().device_type = device_type;
  h.app.settings().cal.lv_resistor = resistor;
  h.device.payloads[0x01] = testing::StatusPayload(v);
  CheckOutputsRun check(h.session, h.prompts);
  check.SetPauseMs(1);
  ASSERT_TRUE(check.Start());
  ASSERT_TRUE(WaitUntil([&] { return !check.Running(); }, 5000));
  Shown messages;
  for (const auto& m : h.prompts.shown()) messages.emplace_back(m.title, m.text);
  std::vector<std::uint8_t> sent;
  for (const auto& c : h.device.commands) sent.push_back(c[0] == 0x01 ? c[2] : 0);
  EXPECT_EQ(std::tuple(messages, sent, h.session.Disables(), h.prompts.busy_depth()),
            std::tuple(shown, disable_bytes, 0x3F, 0));
}

// Each failure has its box, and every output is switched off again after its check;
// which readings fail is the judge's own test.
TEST(CheckOutputsTest, EachFailureHasItsBoxAndEveryOutputEndsOff) {
  StatusValues dead, off_band{.mains = 1000, .volts = {1000, 979, 1000, 1000, 1000, 1000}};
  dead.volts[2] = 0;
  off_band.amps = {2000, 1958, 2000, 2000, 2000, 2041};  // 98-102 V, 1960-2040 mA at 100 V
  // Output 2 reads 0 V: the check stops there.
  ExpectCheck(dead, 2, 50,
              {{"Output Current Error", "The Channel 1 Green input voltage is reporting 0 Volts."}},
              Polls(3));
  // An unknown device type touches no output.
  ExpectCheck({}, 7, 50, {{"Device Error", "ERROR: Unknown Device Type"}}, {});
  ExpectCheck(
      off_band, 2, 50,
      {{"Output Voltage Low Error", "The Channel 1 Yellow input voltage is reporting 97.9 Volts."},
       {"Output Current High Error", "The Channel 2 Green output current is reporting 2041 mA."}},
      Polls(6));
  // No resistor: reported, not divided by, the voltages still checked.
  ExpectCheck({}, 2, 0,
              {{"Output Current Error",
                "The calibration current resistor is 0 Ohms: the output currents cannot be "
                "checked."}},
              Polls(6));
}

// A check that ends early, because the program is closing or its window goes, switches
// the output under test off and frees the outputs; one refused while a calibration
// holds them sends nothing.
TEST(CheckOutputsTest, EndedEarlyOrRefused) {
  for (const bool close_session : {true, false}) {
    testing::SessionHarness h;
    h.app.state().device_type = 2;
    h.device.payloads[0x01] = testing::StatusPayload({});
    auto check = std::make_unique<CheckOutputsRun>(h.session, h.prompts);
    check->SetPauseMs(20);
    ASSERT_TRUE(check->Start());
    ASSERT_TRUE(WaitUntil([&] { return h.session.Disables() == 0x3E; }, 5000));
    if (close_session) {  // at the next pause, not after the other five outputs
      h.session.Close();
      ASSERT_TRUE(WaitUntil([&] { return !check->Running(); }, 300));
    }
    check.reset();
    EXPECT_EQ(std::tuple(h.session.Disables(), h.session.OutputsHolder(), h.prompts.busy_depth()),
              std::tuple(0x3F, Session::OutputsUser::kNone, 0));
  }
  testing::SessionHarness h;
  ASSERT_TRUE(h.session.ClaimOutputs(Session::OutputsUser::kCalibration));
  CheckOutputsRun check(h.session, h.prompts);
  EXPECT_EQ(std::tuple(check.Start(), check.Running(), h.device.commands.size()),
            std::tuple(false, false, 0u));
}

// With polling on, the check acts only between the ticks' exchanges: inside one, its
// status command would be refused by the busy link, and a box would hold the tick up.
TEST(CheckOutputsTest, ActsOnlyBetweenTicks) {
  testing::SessionHarness h;
  h.app.state().device_type = 2;
  h.device.delay_ms = 3;
  int switches = 0, inside_a_tick = 0;
  QObject::connect(&h.session, &Session::DisablesChanged, [&] {
    ++switches;
    inside_a_tick += !h.session.Loop().Idle();
  });
  CheckOutputsRun check(h.session, h.prompts);
  check.SetPauseMs(2);
  h.session.Loop().Timer()->start(4);
  ASSERT_TRUE(check.Start());
  ASSERT_TRUE(WaitUntil([&] { return !check.Running(); }, 10000));
  EXPECT_EQ(std::tuple(switches, inside_a_tick), std::tuple(12, 0));
}

}  // namespace
}  // namespace corvid
