// The schedule itself (ticks 0..50 and the PollCount wrap) is proven on the wire by
// the session tests; here: how the tick services the request flags.
#include "tessera/core/poll_schedule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessera {
namespace {

TEST(RequestTable, ServicesSetFlagsInFixedOrderAndClearsThem) {
  RequestTable table;
  RequestFlags flags;
  std::vector<std::string> calls;
  const std::pair<Request, const char*> routines[] = {{Request::kSendTracking, "SendTracking"},
                                                      {Request::kGetFilters, "GetFilters"},
                                                      {Request::kReadEvents, "ReadEvents"},
                                                      {Request::kClearEvents, "ClearEvents"}};
  for (auto [request, name] : routines) {
    table.SetHandler(request, [&calls, name = std::string(name)] { calls.push_back(name); });
  }
  table.SetHandler(Request::kReadEvents, [&] {
    calls.push_back("ReadEvents");
    flags.read_events = true;   // pressed again meanwhile: cleared with it
    flags.clear_events = true;  // a later flag set meanwhile still runs this tick
  });
  flags.read_events = true;
  flags.send_tracking = true;
  flags.get_filters = true;
  flags.send_complex = true;  // no routine: just cleared
  table.Service(flags);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"SendTracking", "GetFilters", "ReadEvents", "ClearEvents"}));
  EXPECT_FALSE(flags.Any());
}

// The dialog closed mid-exchange: its routine goes (its captures still valid), and the
// flags after it wait for a later tick.
TEST(RequestTable, ARoutineMayUnregisterItselfAndStopTheRest) {
  RequestTable table;
  bool stop = false;
  std::string seen;
  int filters = 0;
  table.SetHandler(Request::kSendTracking, [&, captured = std::string("kept")] {
    table.SetHandler(Request::kSendTracking, nullptr);
    seen = captured;
    stop = true;
  });
  table.SetHandler(Request::kSendFilters, [&] { ++filters; });
  RequestFlags flags{.send_tracking = true, .send_filters = true};
  table.Service(flags, [&] { return stop; });
  EXPECT_EQ(seen, "kept");
  EXPECT_EQ(filters, 0);
  EXPECT_FALSE(flags.send_tracking);
  EXPECT_TRUE(flags.send_filters);
}

}  // namespace
}  // namespace tessera
