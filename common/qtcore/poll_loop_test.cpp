#include "common/qtcore/poll_loop.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTimer>
#include <string>

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
  EXPECT_EQ(loop.Timer()->objectName(), "tmrPoll");

  struct Step {
    const char* state;
    std::function<void()> set;
    bool runs;
  };
  const Step steps[] = {
      {"stopped before Start", [] {}, false},        {"started", [&] { loop.Start(); }, true},
      {"link busy", [&] { busy = true; }, false},    {"link free", [&] { busy = false; }, true},
      {"gate shut", [&] { open = false; }, false},   {"gate open", [&] { open = true; }, true},
      {"suspended", [&] { loop.Suspend(); }, false}, {"resumed", [&] { loop.Resume(); }, true},
      {"stopped", [&] { loop.Stop(); }, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.state);
    step.set();
    const int before = ticks;
    EXPECT_EQ(loop.TickNow(), step.runs);
    EXPECT_EQ(ticks - before, step.runs ? 1 : 0);
  }
  EXPECT_EQ(nested_ran, 0);
}

TEST(PollLoopTest, TimerStopsForTheTickInRestartModeAndKeepsRunningWhenFree) {
  for (const Mode mode : {Mode::kRestartAfterTick, Mode::kFreeRunning}) {
    PollLoop loop("tmrPoll", 1000, mode);
    bool active_in_tick = false;
    loop.SetTick([&] { active_in_tick = loop.Timer()->isActive(); });
    loop.Start();
    ASSERT_TRUE(loop.TickNow());
    EXPECT_EQ(active_in_tick, mode == Mode::kFreeRunning);
    EXPECT_TRUE(loop.Timer()->isActive()) << "the timer runs again after the tick";
    loop.Suspend();
    EXPECT_FALSE(loop.Timer()->isActive());
  }
}

TEST(PollLoopTest, WithoutTheTimerTicksRunOnlyWhenAskedFor) {
  PollLoop loop("tmrPoll", 1, PollLoop::Mode::kRestartAfterTick);
  int ticks = 0;
  loop.SetTick([&] { ++ticks; });
  loop.Start(false);
  EXPECT_TRUE(loop.TickNow());
  EXPECT_FALSE(loop.Timer()->isActive()) << "a tick must not start the timer";
  loop.Suspend();
  loop.Resume();
  EXPECT_FALSE(loop.Timer()->isActive());
  EXPECT_TRUE(Delay(20));
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(loop.Stopped());
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

TEST(PollLoopTest, DeferredActionsWaitForTheTickAndKeepTheirOrder) {
  PollLoop loop("tmrPoll", 1000, Mode::kFreeRunning);
  std::string log;
  loop.SetTick([&] {
    log += "tick ";
    loop.RunWhenIdle([&] { log += "a "; });
    loop.RunWhenIdle([&] { log += "b "; });
    log += "end ";
  });
  loop.Start();
  loop.RunWhenIdle([&] { log += "now "; });  // idle: runs at once
  ASSERT_TRUE(loop.TickNow());
  EXPECT_EQ(log, "now tick end ");
  EXPECT_TRUE(loop.HasDeferred());
  EXPECT_TRUE(Delay(10));
  EXPECT_EQ(log, "now tick end a b ");
  EXPECT_FALSE(loop.HasDeferred());
}

TEST(PollLoopTest, DeferredActionsWaitWhileTheLinkIsBusy) {
  PollLoop loop("tmrPoll", 1000, Mode::kFreeRunning);
  bool busy = true;
  int ran = 0;
  loop.SetBusy([&] { return busy; });
  loop.RunWhenIdle([&] { ++ran; });
  EXPECT_TRUE(Delay(10));
  EXPECT_EQ(ran, 0);
  busy = false;
  loop.FlushDeferred();
  EXPECT_TRUE(Delay(10));
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace common
