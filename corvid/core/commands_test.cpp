#include "corvid/core/commands.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace corvid::monitor {
namespace {

using common::testing::H;

TEST(CommandsTest, StatusCommandByLayoutLedsAndDisables) {
  const struct {
    StatusLayout layout;
    std::uint8_t leds, disables;
    const char* command;
  } cases[] = {
      {StatusLayout::kSwitchPack, 0, 0x3F, "01 80 BF"},
      {StatusLayout::kSwitchPack, 0x03, 0x00, "01 83 80"},
      {StatusLayout::kSwitchPack, 0xFF, 0xFF, "01 83 BF"},  // stray bits never leak
      {StatusLayout::kFlashUnit, 0x03, 0x1E, "02 9E"},      // no fault indicators
  };
  for (const auto& c : cases)
    EXPECT_EQ(H(BuildStatusCommand(c.layout, c.leds, c.disables)), c.command);
  for (int slot : {1, 15, 29}) EXPECT_EQ(LayoutForSlot(slot), StatusLayout::kSwitchPack) << slot;
  for (int slot : {30, 31}) EXPECT_EQ(LayoutForSlot(slot), StatusLayout::kFlashUnit) << slot;
}

// Identification on ticks 4, 9, 14, ...; the diagnostic too on 9, 19, 29, ...
TEST(CommandsTest, TickPlanAndCountWrap) {
  for (const auto& [count, identify, diagnostic] : {std::tuple{0, true, true},
                                                    {1, false, false},
                                                    {4, true, false},
                                                    {8, false, false},
                                                    {9, true, true},
                                                    {14, true, false},
                                                    {19, true, true},
                                                    {249, true, true},
                                                    {254, true, false},
                                                    {255, false, false}}) {
    const TickPlan plan = PlanForTick(count);
    EXPECT_EQ(std::tuple(plan.identify, plan.diagnostic), std::tuple(identify, diagnostic))
        << count;
  }
  EXPECT_EQ(NextPollCount(0), 1);
  EXPECT_EQ(NextPollCount(254), 255);
  EXPECT_EQ(NextPollCount(255), 0);
}

}  // namespace
}  // namespace corvid::monitor
