#include "common/qtcore/poll_loop.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <string>
#include <tuple>

#include "common/qtcore/event_wait.h"

namespace common {
namespace {

using Mode = PollLoop::Mode;

TEST(PollLoopTest, GuardRefusesTicksWhileBusyGatedSuspendedStoppedOrNested) {
  PollLoop loop("tmrPoll", 1000, Mode::kRestartAfterTick);
  bool busy = false, open = true;
  int ticks = 0, nested_ran = 0;
  loop.SetBusy([&] { return busy; });
  loop.SetGate([&] { return open; });
  loop.SetTick([&] {
    ++ticks;
    // A tick started from inside a tick (a timer firing in an exchange's wait).
    if (loop.TickNow()) ++nested_ran;
  });
  const std::tuple<const char*, std::function<void()>, bool> steps[] = {
      {"stopped before Start", [] {}, false},        {"started", [&] { loop.Start(); }, true},
      {"link busy", [&] { busy = true; }, false},    {"link free", [&] { busy = false; }, true},
      {"gate shut", [&] { open = false; }, false},   {"gate open", [&] { open = true; }, true},
      {"suspended", [&] { loop.Suspend(); }, false}, {"resumed", [&] { loop.Resume(); }, true},
      {"stopped", [&] { loop.Stop(); }, false},
  };
  for (const auto& [state, set, runs] : steps) {
    set();
    const int before = ticks;
    EXPECT_EQ(loop.TickNow(), runs) << state;
    EXPECT_EQ(ticks - before, runs ? 1 : 0) << state;
  }
  EXPECT_EQ(nested_ran, 0);
}

// The timer stops for the tick in restart mode, runs on when free, and is not
// started at all by a tick of a loop started without it.
TEST(PollLoopTest, TheTimerAroundATick) {
  // Mode, started with the timer; the timer active in the tick and after it.
  const std::tuple<Mode, bool, bool, bool> cases[] = {
      {Mode::kRestartAfterTick, true, false, true},
      {Mode::kFreeRunning, true, true, true},
      {Mode::kRestartAfterTick, false, false, false}};
  for (const auto& [mode, timer, active_in_tick, active_after] : cases) {
    PollLoop loop("tmrPoll", 1000, mode);
    bool seen_in_tick = !active_in_tick;
    loop.SetTick([&] { seen_in_tick = loop.Timer()->isActive(); });
    loop.Start(timer);
    ASSERT_TRUE(loop.TickNow());
    EXPECT_EQ(seen_in_tick, active_in_tick);
    EXPECT_EQ(loop.Timer()->isActive(), active_after);
    loop.Suspend();
    EXPECT_FALSE(loop.Timer()->isActive());
    loop.Resume();
    EXPECT_EQ(loop.Timer()->isActive(), active_after);
  }
}

TEST(PollLoopTest, FiredComesOnEveryExpiryEvenWhenTheTickIsSkipped) {
  PollLoop loop("tmrPoll", 5, Mode::kFreeRunning);
  int ticks = 0;
  loop.SetTick([&] { ++ticks; });
  loop.SetGate([] { return false; });
  QSignalSpy fired(&loop, &PollLoop::Fired);
  loop.Start();
  for (int expiry = 1; expiry <= 3; ++expiry) ASSERT_TRUE(fired.wait(2000)) << expiry;
  EXPECT_EQ(ticks, 0);
}

// Deferred actions wait for the tick and for a busy link, and keep their order.
TEST(PollLoopTest, DeferredActionsWaitUntilTheLinkIsIdle) {
  PollLoop loop("tmrPoll", 1000, Mode::kFreeRunning);
  std::string log;
  bool busy = false;
  loop.SetBusy([&] { return busy; });
  loop.SetTick([&] {
    log += "tick ";
    loop.RunWhenIdle([&] { log += "a "; });
    loop.RunWhenIdle([&] { log += "b "; });
  });
  loop.Start();
  loop.RunWhenIdle([&] { log += "now "; });  // idle: runs at once
  ASSERT_TRUE(loop.TickNow());
  EXPECT_EQ(log, "now tick ");
  const auto later = [&] { return Delay(10) ? log : "Delay failed"; };
  EXPECT_EQ(later(), "now tick a b ");
  busy = true;
  loop.RunWhenIdle([&] { log += "c"; });
  EXPECT_EQ(later(), "now tick a b ");
  busy = false;
  loop.FlushDeferred();
  EXPECT_EQ(later(), "now tick a b c");
}

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

// Sets `flag` and wakes `wait` after `ms`.
void Raise(int ms, bool& flag, EventWait& wait) {
  QTimer::singleShot(ms, [&] {
    flag = true;
    wait.Wake();
  });
}

TEST(EventWaitTest, NestedWaitsReturnInnermostFirstWithoutStealingWakes) {
  EventWait outer, inner;
  bool outer_flag = false, inner_flag = false;
  WaitResult inner_result = WaitResult::kQuit;
  QTimer::singleShot(5, [&] {
    // Started inside the outer wait, as a timer firing during an exchange would.
    Raise(10, outer_flag, outer);
    Raise(30, inner_flag, inner);
    inner_result = inner.Until([&] { return inner_flag; }, 1000);
  });
  EXPECT_EQ(outer.Until([&] { return outer_flag; }, 1000), WaitResult::kReady);
  EXPECT_EQ(inner_result, WaitResult::kReady);
}

}  // namespace
}  // namespace common
