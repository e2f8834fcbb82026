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
  const struct {
    const char* state;
    std::function<void()> set;
    bool runs;
  } steps[] = {
      {"stopped before Start", [] {}, false},        {"started", [&] { loop.Start(); }, true},
      {"link busy", [&] { busy = true; }, false},    {"link free", [&] { busy = false; }, true},
      {"gate shut", [&] { open = false; }, false},   {"gate open", [&] { open = true; }, true},
      {"suspended", [&] { loop.Suspend(); }, false}, {"resumed", [&] { loop.Resume(); }, true},
      {"stopped", [&] { loop.Stop(); }, false},
  };
  for (const auto& step : steps) {
    step.set();
    const int before = ticks;
    EXPECT_EQ(loop.TickNow(), step.runs) << step.state;
    EXPECT_EQ(ticks - before, step.runs ? 1 : 0) << step.state;
  }
  EXPECT_EQ(nested_ran, 0);
}

// The timer stops for the tick in restart mode, runs on when free, and is not
// started at all by a tick of a loop started without it.
TEST(PollLoopTest, TheTimerAroundATick) {
  const struct {
    Mode mode;
    bool timer;
    bool active_in_tick, active_after;
  } cases[] = {{Mode::kRestartAfterTick, true, false, true},
               {Mode::kFreeRunning, true, true, true},
               {Mode::kRestartAfterTick, false, false, false}};
  for (const auto& c : cases) {
    PollLoop loop("tmrPoll", 1000, c.mode);
    bool active_in_tick = !c.active_in_tick;
    loop.SetTick([&] { active_in_tick = loop.Timer()->isActive(); });
    loop.Start(c.timer);
    ASSERT_TRUE(loop.TickNow());
    EXPECT_EQ(active_in_tick, c.active_in_tick);
    EXPECT_EQ(loop.Timer()->isActive(), c.active_after);
    loop.Suspend();
    EXPECT_FALSE(loop.Timer()->isActive());
    loop.Resume();
    EXPECT_EQ(loop.Timer()->isActive(), c.active_after);
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
  EXPECT_TRUE(Delay(10));
  EXPECT_EQ(log, "now tick a b ");
  busy = true;
  loop.RunWhenIdle([&] { log += "c"; });
  EXPECT_TRUE(Delay(10));
  EXPECT_EQ(log, "now tick a b ");
  busy = false;
  loop.FlushDeferred();
  EXPECT_TRUE(Delay(10));
  EXPECT_EQ(log, "now tick a b c");
}

}  // namespace
}  // namespace common
