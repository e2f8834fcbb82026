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
  using enum Request;
  const std::pair<Request, const char*> routines[] = {
      {kSendTracking, "SendTracking"}, {kGetFilters, "GetFilters"}, {kClearEvents, "ClearEvents"}};
  for (auto [request, name] : routines)
    table.SetHandler(request, [&calls, name = std::string(name)] { calls.push_back(name); });
  table.SetHandler(kReadEvents, [&] {
    calls.push_back("ReadEvents");
    flags.read_events = true;   // pressed again meanwhile: cleared with it
    flags.clear_events = true;  // a later flag set meanwhile still runs this tick
  });
  // send_complex has no routine: just cleared.
  flags = {.send_tracking = true, .get_filters = true, .send_complex = true, .read_events = true};
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
  EXPECT_EQ(std::tuple(seen, filters, flags.send_tracking, flags.send_filters),
            std::tuple("kept", 0, false, true));
}

}  // namespace
}  // namespace tessera
