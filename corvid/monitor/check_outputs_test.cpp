// Check Outputs against a scripted device: early stops, band edges and the wire.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "corvid/monitor/main_window.h"
#include "corvid/monitor/test_harness.h"

namespace corvid::monitor {
namespace {

using testing::Harness;
using testing::StatusPayload;
using testing::StatusValues;

struct Shown {
  QString title, text;
  bool operator==(const Shown&) const = default;
};

class CheckOutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.window.SetCheckPauseMs(1);
    h.app.globals.DeviceType = 2;  // LV
    h.app.settings.cal.lv_resistor = 50;
  }
  void Answer(const StatusValues& v) { h.device.payloads[0x01] = StatusPayload(v); }
  std::vector<Shown> Messages() {
    std::vector<Shown> out;
    for (const auto& m : h.prompts.shown()) out.push_back({m.title, m.text});
    return out;
  }
  // Disable bytes of the status commands sent, in order.
  std::vector<std::uint8_t> DisableBytes() {
    std::vector<std::uint8_t> out;
    for (const auto& c : h.device.commands)
      if (c[0] == 0x01) out.push_back(c[2]);
    return out;
  }
  bool AllDisabled() {
    for (int i = 0; i < 6; ++i)
      if (!h.window.chkOutDisable(i)->isChecked()) return false;
    return true;
  }

  Harness h;
};

TEST_F(CheckOutputsTest, UnknownDeviceTypeTouchesNoOutput) {
  h.app.globals.DeviceType = 7;
  auto* button = h.window.findChild<QPushButton*>("cmdCheckOutputs");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(Messages(), (std::vector<Shown>{{"Device Error", "ERROR: Unknown Device Type"}}));
  EXPECT_EQ(h.prompts.shown()[0].icon, common::Icon::kCritical);
  EXPECT_TRUE(h.device.commands.empty());
  EXPECT_TRUE(AllDisabled());
  EXPECT_TRUE(button->isEnabled());
}

TEST_F(CheckOutputsTest, ZeroVoltsStopsAtThatOutput) {
  StatusValues v;
  v.volts[2] = 0;
  Answer(v);
  h.window.CheckOutputs();
  EXPECT_EQ(Messages(), (std::vector<Shown>{{"Output Current Error",
                                             "The Channel 1 Green input voltage is reporting 0 Volts."}}));
  const auto bytes = DisableBytes();
  ASSERT_EQ(bytes.size(), 5u + 3 * 31);  // settle polls, then 31 per output tested
  for (int n = 0; n < 5; ++n) EXPECT_EQ(bytes[n], 0xBF);
  for (int k = 0; k < 3; ++k)
    for (int n = 0; n < 31; ++n) ASSERT_EQ(bytes[5 + 31 * k + n], 0xBF & ~(1 << k)) << k << " " << n;
  EXPECT_TRUE(AllDisabled());  // output 2 disabled again, 3-5 never enabled
  EXPECT_TRUE(h.window.findChild<QPushButton*>("cmdCheckOutputs")->isEnabled());
}

TEST_F(CheckOutputsTest, ZeroCurrentStops) {
  StatusValues v;
  v.amps[4] = 0;
  Answer(v);
  h.window.CheckOutputs();
  EXPECT_EQ(Messages(), (std::vector<Shown>{{"Output Current Error",
                                             "The Channel 2 Yellow input current is reporting 0 mAmps."}}));
  EXPECT_EQ(DisableBytes().size(), 5u + 5 * 31);
  EXPECT_TRUE(AllDisabled());
}

TEST_F(CheckOutputsTest, BandEdgesPassAndEachFailureHasItsBox) {
  // Mains 100.0 V, resistor 50 ohm: 98-102 V, current 0.98-1.02 x V * 20 mA.
  StatusValues v;
  v.mains = 1000;
  v.volts = {980, 979, 1020, 1021, 1000, 1000};
  v.amps = {1960, 1958, 2040, 2042, 1960, 1959};
  Answer(v);
  h.window.CheckOutputs();
  EXPECT_EQ(Messages(),
            (std::vector<Shown>{
                {"Output Voltage Low Error", "The Channel 1 Yellow input voltage is reporting 97.9 Volts."},
                {"Output Voltage High Error", "The Channel 2 Red input voltage is reporting 102.1 Volts."},
                {"Output Current Low Error", "The Channel 2 Green output current is reporting 1959 mA."}}));
  EXPECT_EQ(DisableBytes().size(), 5u + 6 * 31 + 5);
  EXPECT_EQ(DisableBytes().back(), 0xBF);
  EXPECT_TRUE(AllDisabled());
}

TEST_F(CheckOutputsTest, ZeroResistorIsReportedNotDividedBy) {
  h.app.settings.cal.lv_resistor = 0;
  Answer({});
  h.window.CheckOutputs();
  ASSERT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_EQ(h.prompts.shown()[0].title, "Output Current Error");
  EXPECT_TRUE(h.prompts.shown()[0].text.contains("0 Ohms"));
  EXPECT_EQ(DisableBytes().size(), 5u + 6 * 31 + 5);  // the voltages are still checked
}

TEST_F(CheckOutputsTest, SilentDeviceKeepsTheLastReadings) {
  // The readings of a good poll stay on screen when later polls fail; the check
  // judges what the window shows and never hangs.
  Answer({});
  h.window.GetStatus();
  h.link.SetResponseWindowMs(1);
  h.device.silent = true;
  h.window.CheckOutputs();
  EXPECT_TRUE(h.prompts.shown().empty());
  EXPECT_TRUE(AllDisabled());
}

}  // namespace
}  // namespace corvid::monitor
