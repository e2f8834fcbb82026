#include "common/trace_record.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "common/testing/hex.h"
#include "common/testing/time_zone.h"

namespace common {
namespace {

using testing::B;
using testing::TimeZoneScope;

// 2025-01-07 13:03:07.123456 UTC.
constexpr std::int64_t kWall = 1736254987123456;

TraceRecord Make(TraceDirection direction, TraceOutcome outcome, const char* name, Bytes bytes,
                 int value = 0, const char* detail = "") {
  TraceRecord r;
  r.direction = direction;
  r.outcome = outcome;
  r.name = name;
  r.bytes = std::move(bytes);
  r.value = value;
  r.detail = detail;
  return r;
}

TEST(TraceRecordTest, OutcomeTexts) {
  struct Case {
    TraceOutcome outcome;
    int value;
    const char* detail;
    const char* text;
    bool failure;
  };
  for (const Case& c : {
           Case{TraceOutcome::kSent, 0, "", "sent", false},
           Case{TraceOutcome::kOk, 0, "", "ok", false},
           Case{TraceOutcome::kTimeout, 500, "", "FAIL time-out after 500 ms", true},
           Case{TraceOutcome::kTimeout, 50, "", "FAIL time-out after 50 ms", true},
           Case{TraceOutcome::kChecksumError, 0, "", "FAIL checksum error", true},
           Case{TraceOutcome::kFcsError, 0, "", "FAIL FCS error", true},
           Case{TraceOutcome::kNak, 0, "", "FAIL NAK", true},
           Case{TraceOutcome::kWrongLength, 0, "9 of 14 bytes", "FAIL wrong length: 9 of 14 bytes",
                true},
           Case{TraceOutcome::kUnexpectedCode, 0x41, "", "FAIL unexpected code 41", true},
           Case{TraceOutcome::kUnexpectedCode, 0x0BC, "", "FAIL unexpected code BC", true},
           Case{TraceOutcome::kLineError, 1009, "Rx Parity Error",
                "FAIL line error: Rx Parity Error", true},
           Case{TraceOutcome::kPortLost, 0, "", "FAIL port lost", true},
           Case{TraceOutcome::kPortLost, 0, "Disconnected", "FAIL port lost: Disconnected", true},
           Case{TraceOutcome::kDropped, 0, "", "FAIL dropped outside an exchange", true},
           Case{TraceOutcome::kAbandoned, 0, "", "FAIL abandoned, the program closed", true},
       }) {
    const TraceRecord r =
        Make(TraceDirection::kFromDevice, c.outcome, "GetStatus", {}, c.value, c.detail);
    EXPECT_EQ(OutcomeText(r), c.text);
    EXPECT_EQ(r.Failed(), c.failure) << c.text;
  }
}

TEST(TraceRecordTest, ElapsedAndHexTexts) {
  struct Elapsed {
    std::int64_t us;
    const char* text;
  };
  for (const Elapsed& c : {Elapsed{0, "0.000"}, Elapsed{999, "0.999"}, Elapsed{1000, "1.000"},
                           Elapsed{1234567, "1234.567"}, Elapsed{86400000000LL, "86400000.000"},
                           Elapsed{-5, "0.000"}}) {
    EXPECT_EQ(ElapsedText(c.us), c.text);
  }
  EXPECT_EQ(HexText({}), "");
  EXPECT_EQ(HexText(B("00")), "00");
  EXPECT_EQ(HexText(B("31 00 CE 7e 0a ff")), "31 00 CE 7E 0A FF");
}

TEST(TraceRecordTest, ListTextAndLine) {
  struct Case {
    TraceRecord record;
    std::int64_t elapsed_us;
    const char* list;
  };
  const Case cases[] = {
      {Make(TraceDirection::kToDevice, TraceOutcome::kSent, "SendInputFrame", B("34 00 CB")),
       1234567, "    1234.567 ms  ->  SendInputFrame    sent  34 00 CB"},
      {Make(TraceDirection::kFromDevice, TraceOutcome::kTimeout, "SendRMSFrame", {}, 500), 1500,
       "       1.500 ms  <-  SendRMSFrame      FAIL time-out after 500 ms"},
      {Make(TraceDirection::kFromDevice, TraceOutcome::kChecksumError, "SendKalRmsFrame",
            B("71 0D 00 23")),
       0, "       0.000 ms  <-  SendKalRmsFrame   FAIL checksum error  71 0D 00 23"},
      {Make(TraceDirection::kFromDevice, TraceOutcome::kDropped, "", B("00 00")), 42000,
       "      42.000 ms  <-  -                 FAIL dropped outside an exchange  00 00"},
      {Make(TraceDirection::kToDevice, TraceOutcome::kSent, "A name longer than the column",
            B("01")),
       7, "       0.007 ms  ->  A name longer than the column  sent  01"},
  };
  const TimeZoneScope utc("UTC0");
  for (const Case& c : cases) {
    TraceRecord r = c.record;
    r.elapsed_us = c.elapsed_us;
    r.wall_us = kWall;
    EXPECT_EQ(TraceListText(r), c.list);
    EXPECT_EQ(TraceLine(r), std::string("2025-01-07 13:03:07.123 +0000 ") + c.list);
  }
}

TEST(TraceRecordTest, WallClockIsLocalTimeWithItsOffset) {
  struct Case {
    const char* tz;
    std::int64_t wall_us;
    const char* text;
  };
  for (const Case& c : {
           Case{"UTC0", kWall, "2025-01-07 13:03:07.123 +0000"},
           Case{"CET-1", kWall, "2025-01-07 14:03:07.123 +0100"},
           Case{"EST5", kWall, "2025-01-07 08:03:07.123 -0500"},
           // The day changes with the zone; milliseconds are cut, not rounded.
           Case{"XST-11", kWall + 999000, "2025-01-08 00:03:08.122 +1100"},
       }) {
    const TimeZoneScope zone(c.tz);
    EXPECT_EQ(WallText(c.wall_us), c.text) << c.tz;
  }
}

TEST(TraceRecordTest, ClockStampsBothColumnsFromOneStart) {
  TraceClock clock;
  TraceRecord first;
  TraceRecord second;
  clock.Stamp(first);
  clock.Stamp(second);
  EXPECT_GE(first.elapsed_us, 0);
  EXPECT_LT(first.elapsed_us, 1000000);
  EXPECT_GE(second.elapsed_us, first.elapsed_us);
  // The wall clock advances exactly as the elapsed time does.
  EXPECT_EQ(second.wall_us - first.wall_us, second.elapsed_us - first.elapsed_us);
  const std::int64_t now_us = static_cast<std::int64_t>(std::time(nullptr)) * 1000000;
  EXPECT_NEAR(static_cast<double>(first.wall_us), static_cast<double>(now_us), 5e6);
}

}  // namespace
}  // namespace common
