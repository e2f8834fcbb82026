#include "corvid/monitor/commands.h"

#include <gtest/gtest.h>

#include <set>

#include "corvid/link/hdlc_frame.h"

namespace corvid::monitor {
namespace {

using Payload = std::vector<std::uint8_t>;

TEST(StatusCommandTest, BytesByLayout) {
  struct Case {
    StatusLayout layout;
    std::uint8_t leds, disables;
    Payload expected;
  };
  const std::vector<Case> cases = {
      {StatusLayout::kSwitchPack, 0, 0, {0x01, 0x80, 0x80}},
      {StatusLayout::kSwitchPack, 3, 0x3F, {0x01, 0x83, 0xBF}},
      {StatusLayout::kSwitchPack, 2, 0x21, {0x01, 0x82, 0xA1}},
      {StatusLayout::kFlashUnit, 0, 0x3F, {0x02, 0xBF}},
      {StatusLayout::kFlashUnit, 3, 0x01, {0x02, 0x81}},  // flash units have no indicators
  };
  for (const Case& c : cases) EXPECT_EQ(BuildStatusCommand(c.layout, c.leds, c.disables), c.expected);
}

TEST(StatusCommandTest, LayoutBySlot) {
  for (int slot = 1; slot <= 31; ++slot) {
    EXPECT_EQ(LayoutForSlot(slot) == StatusLayout::kFlashUnit, slot == 30 || slot == 31) << slot;
  }
}

TEST(StatusCommandTest, WireFrames) {
  // Through the link's framing: the documented idle status frame, and the start-up
  // frame with every output disabled.
  EXPECT_EQ(BuildCommandFrame(1, BuildStatusCommand(StatusLayout::kSwitchPack, 0, 0)),
            (Payload{0x7E, 0x01, 0x13, 0x01, 0x80, 0x80, 0x47, 0x70, 0x7E}));
  EXPECT_EQ(BuildCommandFrame(1, BuildStatusCommand(StatusLayout::kSwitchPack, 0, 0x3F)),
            (Payload{0x7E, 0x01, 0x13, 0x01, 0x80, 0xBF, 0x33, 0xB9, 0x7E}));
  EXPECT_EQ(BuildCommandFrame(30, BuildStatusCommand(StatusLayout::kFlashUnit, 0, 0x3F)),
            (Payload{0x7E, 0x1E, 0x13, 0x02, 0xBF, 0x00, 0x85, 0x7E}));
  EXPECT_EQ(BuildCommandFrame(1, ModuleIdCommand()),
            (Payload{0x7E, 0x01, 0x13, 0x3C, 0x06, 0xD8, 0x7E}));
}

TEST(CalibrationCommandTest, ThirteenFactorsLowByteFirst) {
  CalibrationFactors factors{};
  for (int i = 0; i < 13; ++i) factors[i] = static_cast<std::uint16_t>(0x0100 * i + i);
  factors[0] = 0xED09;
  factors[6] = 0x4F70;
  factors[12] = 0x7E80;
  const Payload command = BuildCalibrationCommand(factors);
  ASSERT_EQ(command.size(), 27u);
  EXPECT_EQ(command[0], 0x7C);
  EXPECT_EQ(command[1], 0x09);
  EXPECT_EQ(command[2], 0xED);
  EXPECT_EQ(command[13], 0x70);
  EXPECT_EQ(command[14], 0x4F);
  EXPECT_EQ(command[3], 0x01);
  EXPECT_EQ(command[4], 0x01);
  EXPECT_EQ(command[25], 0x80);
  EXPECT_EQ(command[26], 0x7E);
}

TEST(TickPlanTest, ScheduleOverOneCycle) {
  std::set<int> identify, diagnostic;
  for (int count = 0; count < 256; ++count) {
    if (PlanForTick(count).identify) identify.insert(count);
    if (PlanForTick(count).diagnostic) diagnostic.insert(count);
  }
  EXPECT_EQ(identify.size(), 52u);  // 0 and 4, 9, ... 254
  EXPECT_EQ(diagnostic.size(), 26u);  // 0 and 9, 19, ... 249
  for (int count : {0, 4, 9, 14, 19, 249, 254}) EXPECT_TRUE(identify.count(count)) << count;
  for (int count : {1, 5, 10, 250, 255}) EXPECT_FALSE(identify.count(count)) << count;
  for (int count : {0, 9, 19, 249}) EXPECT_TRUE(diagnostic.count(count)) << count;
  for (int count : {4, 10, 14, 254, 255}) EXPECT_FALSE(diagnostic.count(count)) << count;
  EXPECT_EQ(NextPollCount(0), 1);
  EXPECT_EQ(NextPollCount(254), 255);
  EXPECT_EQ(NextPollCount(255), 0);
}

}  // namespace
}  // namespace corvid::monitor
