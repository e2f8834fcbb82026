#include "corvid/core/commands.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace corvid::monitor {
namespace {

using common::testing::H;

TEST(CommandsTest, StatusCommandByLayoutLedsAndDisables) {
  using enum StatusLayout;
  const std::tuple<StatusLayout, std::uint8_t, std::uint8_t, const char*> cases[] = {
      {kSwitchPack, 0, 0x3F, "01 80 BF"},
      {kSwitchPack, 0x03, 0x00, "01 83 80"},
      {kSwitchPack, 0xFF, 0xFF, "01 83 BF"},  // stray bits never leak
      {kFlashUnit, 0x03, 0x1E, "02 9E"}};     // no fault indicators
  for (const auto& [layout, leds, disables, command] : cases)
    EXPECT_EQ(H(BuildStatusCommand(layout, leds, disables)), command);
  for (int slot : {1, 15, 29, 30, 31})
    EXPECT_EQ(LayoutForSlot(slot), slot < 30 ? kSwitchPack : kFlashUnit);
}

// Identification on ticks 4, 9, 14, ...; the diagnostic too on 9, 19, 29, ...
TEST(CommandsTest, TickPlanAndCountWrap) {
  // Tick count, then whether it identifies and asks for the diagnostic.
  const std::tuple<int, bool, bool> cases[] = {
      {0, true, true},    {1, false, false},  {4, true, false}, {8, false, false},
      {9, true, true},    {14, true, false},  {19, true, true}, {249, true, true},
      {254, true, false}, {255, false, false}};
  for (const auto& [count, identify, diagnostic] : cases)
    EXPECT_EQ(std::pair(PlanForTick(count).identify, PlanForTick(count).diagnostic),
              std::pair(identify, diagnostic))
        << count;
  EXPECT_EQ((std::array{NextPollCount(0), NextPollCount(254), NextPollCount(255)}),
            (std::array{1, 255, 0}));
}

}  // namespace
}  // namespace corvid::monitor
