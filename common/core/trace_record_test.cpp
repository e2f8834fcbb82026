#include "common/core/trace_record.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"
#include "common/testing/time_zone.h"

namespace common {
namespace {

using testing::B;

constexpr std::int64_t kWall = 1736254987123456;  // 2025-01-07 13:03:07.123456 UTC
constexpr auto kTo = TraceDirection::kToDevice;
constexpr auto kFrom = TraceDirection::kFromDevice;

TEST(TraceRecordTest, OneLinePerRecord) {
  struct Case {
    TraceDirection direction;
    TraceOutcome outcome;
    const char* name;
    const char* bytes;
    int value;
    const char* detail;
    std::int64_t elapsed_us;
    const char* line;  // after the wall clock
  };
  const Case cases[] = {
      {kTo, TraceOutcome::kSent, "SendInputFrame", "34 00 CB", 0, "", 1234567,
       "    1234.567 ms  ->  SendInputFrame    sent  34 00 CB"},
      {kFrom, TraceOutcome::kTimeout, "SendRMSFrame", "", 500, "", 1500,
       "       1.500 ms  <-  SendRMSFrame      FAIL time-out after 500 ms"},
      {kFrom, TraceOutcome::kUnexpectedCode, "GetStatus", "7E 01 13 BC 7E", 0x0BC,
       "the answer to another command", 999,
       "       0.999 ms  <-  GetStatus         FAIL unexpected code BC: the answer to another "
       "command  7E 01 13 BC 7E"},
      {kFrom, TraceOutcome::kLineError, "SendKalRmsFrame", "", 1009, "Rx Parity Error", 0,
       "       0.000 ms  <-  SendKalRmsFrame   FAIL line error: Rx Parity Error"},
      {kFrom, TraceOutcome::kDropped, "", "00 00", 0, "", 42000,
       "      42.000 ms  <-  -                 FAIL dropped outside an exchange  00 00"},
      {kFrom, TraceOutcome::kAbandoned, "A name longer than the column", "", 0, "", -5,
       "       0.000 ms  <-  A name longer than the column  FAIL abandoned, the program closed"},
      {kFrom, TraceOutcome::kOk, "GetModuleID", "7E 7D 5E 7E", 0, "", 86400000000LL,
       "86400000.000 ms  <-  GetModuleID       ok  7E 7D 5E 7E"},
  };
  const testing::TimeZoneScope utc("UTC0");
  for (const Case& c : cases) {
    TraceRecord r;
    r.direction = c.direction;
    r.outcome = c.outcome;
    r.name = c.name;
    r.bytes = B(c.bytes);
    r.value = c.value;
    r.detail = c.detail;
    r.elapsed_us = c.elapsed_us;
    r.wall_us = kWall;
    EXPECT_EQ(TraceListText(r), c.line);
    EXPECT_EQ(TraceLine(r), std::string("2025-01-07 13:03:07.123 +0000 ") + c.line);
  }
}

TEST(TraceRecordTest, WallClockIsLocalTimeWithItsOffset) {
  struct Case {
    const char* tz;
    std::int64_t wall_us;
    const char* text;
  };
  for (const Case& c : {
           Case{"CET-1", kWall, "2025-01-07 14:03:07.123 +0100"},
           Case{"EST5", kWall, "2025-01-07 08:03:07.123 -0500"},
           // The day changes with the zone; milliseconds are cut, not rounded.
           Case{"XST-11", kWall + 999000, "2025-01-08 00:03:08.122 +1100"},
       }) {
    const testing::TimeZoneScope zone(c.tz);
    EXPECT_EQ(WallText(c.wall_us), c.text) << c.tz;
  }
}

}  // namespace
}  // namespace common
