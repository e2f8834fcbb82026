#include "tessera/panel/poll_schedule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessera::panel {
namespace {

TEST(PlanTick, StatusEveryTenthIdentifyEveryFiftieth) {
  struct Case {
    std::uint32_t count;
    TickPlan plan;
  };
  const Case cases[] = {
      {0, {.status = true, .identify = true}},
      {1, {}},
      {9, {}},
      {10, {.status = true}},
      {40, {.status = true}},
      {49, {}},
      {50, {.status = true, .identify = true}},
      {60, {.status = true}},
      {100, {.status = true, .identify = true}},
      {kPollCountWrap - 1, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlanTick(c.count), c.plan) << c.count;
}

TEST(PollCount, WrapsWithoutBreakingTheSchedule) {
  EXPECT_EQ(NextPollCount(0), 1u);
  EXPECT_EQ(NextPollCount(kPollCountWrap - 1), 0u);
  // Across the wrap the identify exchange still comes exactly every 50 ticks.
  std::uint32_t count = kPollCountWrap - 120;
  std::vector<int> identify_ticks;
  for (int tick = 0; tick < 200; ++tick) {
    if (PlanTick(count).identify) identify_ticks.push_back(tick);
    count = NextPollCount(count);
  }
  ASSERT_EQ(identify_ticks.size(), 4u);
  for (std::size_t i = 1; i < identify_ticks.size(); ++i) {
    EXPECT_EQ(identify_ticks[i] - identify_ticks[i - 1], 50);
  }
}

TEST(RequestFlags, IndexAndNamedMembersAreTheSameFlag) {
  RequestFlags flags;
  EXPECT_FALSE(flags.Any());
  flags[Request::kPollTransition] = true;
  EXPECT_TRUE(flags.ReqPollTransition);
  EXPECT_TRUE(flags.Any());
  flags.ReqClearEvents = true;
  EXPECT_TRUE(flags[Request::kClearEvents]);
  flags.Clear();
  EXPECT_FALSE(flags.Any());
}

TEST(RequestTable, ServicesSetFlagsInFixedOrderAndClearsThem) {
  RequestTable table;
  std::vector<std::string> calls;
  const std::pair<Request, const char*> routines[] = {
      {Request::kSendTracking, "SendTracking"},     {Request::kSendFilters, "SendFilters"},
      {Request::kGetFilters, "GetFilters"},         {Request::kSendComplex, "SendComplex"},
      {Request::kPollTransition, "PollTransition"}, {Request::kReadEvents, "ReadEvents"},
      {Request::kClearEvents, "ClearEvents"}};
  for (auto [request, name] : routines) {
    table.SetHandler(request, [&calls, name = std::string(name)] { calls.push_back(name); });
  }
  RequestFlags flags;
  flags.ReqClearEvents = true;
  flags.ReqSendTracking = true;
  flags.ReqGetFilters = true;
  flags.ReqReadEvents = true;
  table.Service(flags);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"SendTracking", "GetFilters", "ReadEvents", "ClearEvents"}));
  EXPECT_FALSE(flags.Any());
}

TEST(RequestTable, FlagWithoutRoutineIsJustCleared) {
  RequestTable table;
  RequestFlags flags;
  flags.ReqSendComplex = true;
  table.Service(flags);
  EXPECT_FALSE(flags.ReqSendComplex);
}

TEST(RequestTable, FlagSetAgainDuringItsRoutineIsClearedWithIt) {
  RequestTable table;
  RequestFlags flags;
  int runs = 0;
  table.SetHandler(Request::kReadEvents, [&] {
    ++runs;
    flags.ReqReadEvents = true;   // the user pressed the button again meanwhile
    flags.ReqClearEvents = true;  // a later flag set meanwhile still runs this tick
  });
  bool cleared = false;
  table.SetHandler(Request::kClearEvents, [&] { cleared = true; });
  flags.ReqReadEvents = true;
  table.Service(flags);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(cleared);
  EXPECT_FALSE(flags.Any());
}

TEST(RequestTable, StopLeavesTheRestForLater) {
  RequestTable table;
  bool stop = false;
  int tracking = 0;
  int filters = 0;
  table.SetHandler(Request::kSendTracking, [&] {
    ++tracking;
    stop = true;  // e.g. the window closed during the exchange
  });
  table.SetHandler(Request::kSendFilters, [&] { ++filters; });
  RequestFlags flags;
  flags.ReqSendTracking = true;
  flags.ReqSendFilters = true;
  table.Service(flags, [&] { return stop; });
  EXPECT_EQ(tracking, 1);
  EXPECT_EQ(filters, 0);
  EXPECT_FALSE(flags.ReqSendTracking);
  EXPECT_TRUE(flags.ReqSendFilters);
}

TEST(RequestTable, RoutineMayUnregisterItselfWhileRunning) {
  RequestTable table;
  int runs = 0;
  std::string captured = "kept alive";
  table.SetHandler(Request::kGetFilters, [&table, &runs, captured] {
    table.SetHandler(Request::kGetFilters, nullptr);  // dialog closed mid-exchange
    runs += captured.size() == 10 ? 1 : 100;          // captures still valid
  });
  RequestFlags flags;
  flags.ReqGetFilters = true;
  table.Service(flags);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(table.HasHandler(Request::kGetFilters));
  EXPECT_FALSE(flags.ReqGetFilters);
}

}  // namespace
}  // namespace tessera::panel
