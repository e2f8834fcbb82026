// Check Outputs against a scripted device: early stops, the boxes and the wire.
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

// The disable bytes of the status commands a check sends: five settle polls with
// every output off, 31 with only output k on for each output checked, and five more
// with every output off once all six are.
std::vector<std::uint8_t> Polls(int outputs) {
  std::vector<std::uint8_t> bytes(5, 0xBF);
  for (int k = 0; k < outputs; ++k) bytes.insert(bytes.end(), 31, 0xBF & ~(1 << k));
  if (outputs == 6) bytes.insert(bytes.end(), 5, 0xBF);
  return bytes;
}

// Each failure has its box, and every output is switched off again after its check;
// which readings fail is the judge's own test.
TEST(CheckOutputsTest, EachFailureHasItsBoxAndEveryOutputEndsOff) {
  struct Case {
    const char* name;
    StatusValues values;
    int device_type;
    float resistor;
    std::vector<Shown> messages;
    std::vector<std::uint8_t> disable_bytes;
  };
  StatusValues dead, off_band{.mains = 1000, .volts = {1000, 979, 1000, 1000, 1000, 1000}};
  dead.volts[2] = 0;
  off_band.amps = {2000, 1958, 2000, 2000, 2000, 2041};  // 98-102 V, 1960-2040 mA at 100 V
  const Case cases[] = {
      {"output 2 reads 0 V: the check stops there",
       dead,
       2,
       50,
       {{"Output Current Error", "The Channel 1 Green input voltage is reporting 0 Volts."}},
       Polls(3)},
      {"unknown device type touches no output",
       {},
       7,
       50,
       {{"Device Error", "ERROR: Unknown Device Type"}},
       {}},
      {"two outputs out of their bands",
       off_band,
       2,
       50,
       {{"Output Voltage Low Error", "The Channel 1 Yellow input voltage is reporting 97.9 Volts."},
        {"Output Current High Error", "The Channel 2 Green output current is reporting 2041 mA."}},
       Polls(6)},
      {"no resistor: reported, not divided by, the voltages still checked",
       {},
       2,
       0,
       {{"Output Current Error",
         "The calibration current resistor is 0 Ohms: the output currents cannot be checked."}},
       Polls(6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CheckRun run = RunCheck(c.values, c.device_type, c.resistor);
    EXPECT_EQ(run.messages, c.messages);
    EXPECT_EQ(run.disable_bytes, c.disable_bytes);
    EXPECT_TRUE(run.all_disabled);
    EXPECT_EQ(run.busy_at_end, 0);
  }
}

}  // namespace
}  // namespace corvid
