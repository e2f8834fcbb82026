#include "common/qtcore/event_wait.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

namespace common {
namespace {

TEST(EventWaitTest, ReturnsAsSoonAsAWakeMakesTheConditionTrue) {
  EventWait wait;
  bool flag = false;
  QTimer::singleShot(20, [&] {
    flag = true;
    wait.Wake();
  });
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(wait.Until([&] { return flag; }, 2000), WaitResult::kReady);
  EXPECT_LT(clock.elapsed(), 500);
  EXPECT_FALSE(wait.Waiting());
}

TEST(EventWaitTest, WakesThatLeaveTheConditionFalseKeepWaitingUntilTheLimit) {
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
  const qint64 elapsed = clock.elapsed();
  EXPECT_GE(elapsed, 100);
  EXPECT_LT(elapsed, 400);
  EXPECT_GT(wakes, 3);
}

TEST(EventWaitTest, AlreadyTrueConditionDoesNotWait) {
  EventWait wait;
  EXPECT_EQ(wait.Until([] { return true; }, 0), WaitResult::kReady);
  EXPECT_EQ(wait.Until([] { return false; }, 0), WaitResult::kTimeout);
}

TEST(EventWaitTest, DelayLastsAtLeastItsTimeAndRunsEvents) {
  bool fired = false;
  QTimer::singleShot(10, [&] { fired = true; });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(Delay(60));
  EXPECT_GE(clock.elapsed(), 60);
  EXPECT_TRUE(fired);
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
  EXPECT_TRUE(inner_flag);
}

}  // namespace
}  // namespace common
