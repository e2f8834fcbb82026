#include "common/link_tap.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/testing/hex.h"

namespace common {
namespace {

using testing::B;
using testing::H;

struct Collector : TraceListener {
  void OnTrace(const TraceRecord& record) override { records.push_back(record); }
  std::vector<TraceRecord> records;
};

TEST(LinkTapTest, RecordsReachOnlyWhileSomebodyListens) {
  LinkTap tap;
  Collector first;
  Collector second;
  EXPECT_FALSE(tap.Listening());
  tap.Dropped(B("00"));  // nobody: gone
  tap.AddListener(&first);
  tap.AddListener(&first);  // once is enough
  EXPECT_TRUE(tap.Listening());
  tap.Dropped(B("01"));
  tap.AddListener(&second);
  tap.Dropped(B("02"));
  tap.RemoveListener(&first);
  tap.Dropped(B("03"));
  tap.RemoveListener(&second);
  EXPECT_FALSE(tap.Listening());
  tap.Dropped(B("04"));

  auto bytes = [](const Collector& c) {
    std::vector<std::string> out;
    for (const TraceRecord& r : c.records) out.push_back(H(r.bytes));
    return out;
  };
  EXPECT_EQ(bytes(first), (std::vector<std::string>{"01", "02"}));
  EXPECT_EQ(bytes(second), (std::vector<std::string>{"02", "03"}));
}

TEST(LinkTapTest, TheThreeKindsOfRecord) {
  LinkTap tap;
  Collector c;
  tap.AddListener(&c);
  tap.Sent({"SendInputFrame", true}, B("34 00 CB"));
  tap.Sent({"GetStatus", true}, B("7E 01 13 01 80 80 47 70 7E"), TraceOutcome::kPortLost,
           "Disconnected");
  tap.Received({"SendRMSFrame", true}, B("31 00"), TraceOutcome::kTimeout, 500);
  tap.Received({"ReadEvents", false}, B("7F 0D 00"), TraceOutcome::kOk);
  tap.Dropped(B("55 AA"));
  struct Expected {
    TraceDirection direction;
    TraceOutcome outcome;
    const char* name;
    bool routine;
    int value;
    const char* detail;
    const char* bytes;
  };
  const Expected expected[] = {
      {TraceDirection::kToDevice, TraceOutcome::kSent, "SendInputFrame", true, 0, "", "34 00 CB"},
      {TraceDirection::kToDevice, TraceOutcome::kPortLost, "GetStatus", true, 0, "Disconnected",
       "7E 01 13 01 80 80 47 70 7E"},
      {TraceDirection::kFromDevice, TraceOutcome::kTimeout, "SendRMSFrame", true, 500, "", "31 00"},
      {TraceDirection::kFromDevice, TraceOutcome::kOk, "ReadEvents", false, 0, "", "7F 0D 00"},
      {TraceDirection::kFromDevice, TraceOutcome::kDropped, "", false, 0, "", "55 AA"},
  };
  ASSERT_EQ(c.records.size(), std::size(expected));
  for (std::size_t i = 0; i < c.records.size(); ++i) {
    const TraceRecord& r = c.records[i];
    const Expected& e = expected[i];
    EXPECT_EQ(r.direction, e.direction) << i;
    EXPECT_EQ(r.outcome, e.outcome) << i;
    EXPECT_EQ(r.name, e.name) << i;
    EXPECT_EQ(r.routine, e.routine) << i;
    EXPECT_EQ(r.value, e.value) << i;
    EXPECT_EQ(r.detail, e.detail) << i;
    EXPECT_EQ(H(r.bytes), e.bytes) << i;
    if (i > 0) {
      EXPECT_GE(r.elapsed_us, c.records[i - 1].elapsed_us) << i;
    }
  }
  // The clock started with the listener, moments ago.
  EXPECT_LT(c.records.front().elapsed_us, 1000000);
}

// A flood is kept to its first kMaxRecordBytes; the record says how much there was.
TEST(LinkTapTest, LongRecordsAreCut) {
  LinkTap tap;
  Collector c;
  tap.AddListener(&c);
  struct Case {
    std::size_t size;
    std::size_t total;  // what the link says came (0: the bytes given)
    std::size_t kept;
    const char* detail;
  };
  for (const Case& k : {
           Case{10, 0, 10, ""},
           Case{kMaxRecordBytes, 0, kMaxRecordBytes, ""},
           Case{kMaxRecordBytes + 1, 0, kMaxRecordBytes, "first 262144 of 262145 bytes"},
           Case{300000, 0, kMaxRecordBytes, "first 262144 of 300000 bytes"},
           Case{1000, 5000, 1000, "first 1000 of 5000 bytes"},
       }) {
    tap.Dropped(Bytes(k.size, 0x00), k.total);
    ASSERT_FALSE(c.records.empty());
    EXPECT_EQ(c.records.back().bytes.size(), k.kept) << k.size;
    EXPECT_EQ(c.records.back().detail, k.detail) << k.size;
  }
  tap.Received({"GetStatus", true}, Bytes(400000, 0x7E), TraceOutcome::kTimeout, 50, "", 500000);
  EXPECT_EQ(c.records.back().bytes.size(), kMaxRecordBytes);
  EXPECT_EQ(OutcomeText(c.records.back()),
            "FAIL time-out after 50 ms: first 262144 of 500000 bytes");
}

}  // namespace
}  // namespace common
