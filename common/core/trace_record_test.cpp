#include "common/core/trace_record.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/core/link_tap.h"
#include "common/core/trace_ring.h"
#include "common/testing/hex.h"
#include "common/testing/time_zone.h"

namespace common {
namespace {

using testing::B;

constexpr std::int64_t kWall = 1736254987123456;  // 2025-01-07 13:03:07.123456 UTC
constexpr auto kTo = TraceDirection::kToDevice;
constexpr auto kFrom = TraceDirection::kFromDevice;

TEST(TraceRecordTest, OneLinePerRecord) {
  // Direction, outcome, name, bytes, value, detail, elapsed time; the line after the clock.
  const std::tuple<TraceDirection, TraceOutcome, const char*, const char*, int, const char*,
                   std::int64_t, const char*>
      cases[] = {
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
           "       0.000 ms  <-  A name longer than the column  FAIL abandoned, the program "
           "closed"},
          {kFrom, TraceOutcome::kOk, "GetModuleID", "7E 7D 5E 7E", 0, "", 86400000000LL,
           "86400000.000 ms  <-  GetModuleID       ok  7E 7D 5E 7E"}};
  const testing::TimeZoneScope utc("UTC0");
  for (const auto& [direction, outcome, name, bytes, value, detail, elapsed_us, line] : cases) {
    const TraceRecord r{elapsed_us, kWall, direction, outcome, false,
                        value,      name,  detail,    B(bytes)};
    EXPECT_EQ(TraceListText(r), line);
    EXPECT_EQ(TraceLine(r), std::string("2025-01-07 13:03:07.123 +0000 ") + line);
  }
}

TEST(TraceRecordTest, WallClockIsLocalTimeWithItsOffset) {
  // The day changes with the zone; milliseconds are cut, not rounded.
  const std::tuple<const char*, std::int64_t, const char*> cases[] = {
      {"CET-1", kWall, "2025-01-07 14:03:07.123 +0100"},
      {"EST5", kWall, "2025-01-07 08:03:07.123 -0500"},
      {"XST-11", kWall + 999000, "2025-01-08 00:03:08.122 +1100"}};
  for (const auto& [tz, wall_us, text] : cases) {
    const testing::TimeZoneScope zone(tz);
    EXPECT_EQ(WallText(wall_us), text) << tz;
  }
}

TraceRecord Named(std::string name, std::size_t bytes = 0) {
  TraceRecord r;
  r.name = std::move(name);
  r.bytes.assign(bytes, 0x55);
  return r;
}

std::vector<std::string> Names(const TraceRing& ring) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < ring.Size(); ++i) names.push_back(ring.At(i).name);
  return names;
}

// The oldest give way to the record bound and to the byte bound; the newest stays
// even alone over the byte bound. Records 0, 1, 2 ... of `sizes` bytes each.
TEST(TraceRingTest, TheOldestGiveWay) {
  const std::size_t small = TraceRing::Weight(Named("x", 10));
  // Record bound, the records' sizes; the names kept and the first one's number.
  const std::tuple<std::size_t, std::vector<std::size_t>, std::vector<std::string>, std::uint64_t>
      cases[] = {{3, {10, 10, 10}, {"0", "1", "2"}, 0},
                 {3, {10, 10, 10, 10, 10}, {"2", "3", "4"}, 2},
                 {100, {10, 10, 10, 10}, {"1", "2", "3"}, 1},
                 {100, {10, 10, 10, small + 10}, {"2", "3"}, 2},
                 {100, {10, 10, 5 * small}, {"2"}, 2},
                 {100, {5 * small, 10}, {"1"}, 1}};
  for (const auto& [max_records, sizes, kept, first] : cases) {
    TraceRing ring(max_records, 3 * small);
    for (std::size_t i = 0; i < sizes.size(); ++i) ring.Push(Named(std::to_string(i), sizes[i]));
    EXPECT_EQ(Names(ring), kept);
    EXPECT_EQ(ring.FirstNumber(), first);
    EXPECT_EQ(ring.Evicted(), sizes.size() - kept.size());
    ASSERT_NE(ring.Find(first), nullptr);
    EXPECT_EQ(ring.Find(first)->name, kept.front());
    EXPECT_EQ(ring.Find(ring.EndNumber()), nullptr);
  }
  // Numbers run on across Clear: a view never mistakes a new record for an old one.
  TraceRing ring(2, 3 * small);
  for (const char* name : {"0", "1", "2"}) ring.Push(Named(name));
  EXPECT_EQ(Names(ring), (std::vector<std::string>{"1", "2"}));  // the record bound alone
  ring.Clear();
  ring.Push(Named("new"));
  EXPECT_EQ(ring.FirstNumber(), 3u);
  EXPECT_EQ(ring.Find(2), nullptr);
}

struct Collector : TraceListener {
  void OnTrace(const TraceRecord& record) override { records.push_back(record); }
  std::vector<TraceRecord> records;
};

// A flood is kept to its first kMaxRecordBytes; the record says how much there was.
TEST(LinkTapTest, LongRecordsAreCut) {
  LinkTap tap;
  Collector c;
  tap.Dropped(B("00"));  // nobody listens: no record
  tap.AddListener(&c);
  // Bytes given, what the link says came (0: the bytes given); bytes kept, detail.
  const std::tuple<std::size_t, std::size_t, std::size_t, const char*> cases[] = {
      {kMaxRecordBytes, 0, kMaxRecordBytes, ""},
      {kMaxRecordBytes + 1, 0, kMaxRecordBytes, "first 262144 of 262145 bytes"},
      {1000, 5000, 1000, "first 1000 of 5000 bytes"}};
  for (const auto& [size, total, kept, detail] : cases) {
    tap.Dropped(common::Bytes(size, 0x00), total);
    EXPECT_EQ(c.records.back().bytes.size(), kept) << size;
    EXPECT_EQ(c.records.back().detail, detail) << size;
  }
  tap.Received({"GetStatus", true}, common::Bytes(400000, 0x7E), TraceOutcome::kTimeout, 50, "",
               500000);
  EXPECT_EQ(c.records.back().bytes.size(), kMaxRecordBytes);
  EXPECT_EQ(OutcomeText(c.records.back()),
            "FAIL time-out after 50 ms: first 262144 of 500000 bytes");
  EXPECT_EQ(c.records.size(), 4u);
}

}  // namespace
}  // namespace common
