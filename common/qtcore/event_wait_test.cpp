#include "common/qtcore/event_wait.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

namespace common {
namespace {

// Wakes that leave the condition false keep the wait going to its limit; a wake
// that makes it true ends it.
TEST(EventWaitTest, WaitsUntilAWakeFindsTheConditionTrueOrTheLimit) {
  EventWait wait;
  int wakes = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++wakes;
    wait.Wake();
  });
  ticker.start(5);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(wait.Until([] { return false; }, 100), WaitResult::kTimeout);
  EXPECT_GE(clock.elapsed(), 100);
  EXPECT_GT(wakes, 3);
  clock.restart();
  EXPECT_EQ(wait.Until([&] { return wakes > 10; }, 5000), WaitResult::kReady);
  EXPECT_LT(clock.elapsed(), 2500) << "the wake ended the wait, not its limit";
  EXPECT_FALSE(wait.Waiting());
  EXPECT_EQ(wait.Until([] { return false; }, 0), WaitResult::kTimeout);
}

TEST(EventWaitTest, NestedWaitsReturnInnermostFirstWithoutStealingWakes) {
  EventWait outer, inner;
  bool outer_flag = false, inner_flag = false;
  WaitResult inner_result = WaitResult::kQuit;
  QTimer::singleShot(5, [&] {
    // Started inside the outer wait, as a timer firing during an exchange would.
    QTimer::singleShot(10, [&] {
      outer_flag = true;
      outer.Wake();
    });
    QTimer::singleShot(30, [&] {
      inner_flag = true;
      inner.Wake();
    });
    inner_result = inner.Until([&] { return inner_flag; }, 1000);
  });
  EXPECT_EQ(outer.Until([&] { return outer_flag; }, 1000), WaitResult::kReady);
  EXPECT_EQ(inner_result, WaitResult::kReady);
}

}  // namespace
}  // namespace common
