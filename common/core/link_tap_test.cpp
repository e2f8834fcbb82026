#include "common/core/link_tap.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/testing/hex.h"

namespace common {
namespace {

using testing::B;

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
  struct Case {
    std::size_t size;
    std::size_t total;  // what the link says came (0: the bytes given)
    std::size_t kept;
    const char* detail;
  };
  for (const Case& k : {
           Case{kMaxRecordBytes, 0, kMaxRecordBytes, ""},
           Case{kMaxRecordBytes + 1, 0, kMaxRecordBytes, "first 262144 of 262145 bytes"},
           Case{1000, 5000, 1000, "first 1000 of 5000 bytes"},
       }) {
    tap.Dropped(common::Bytes(k.size, 0x00), k.total);
    EXPECT_EQ(c.records.back().bytes.size(), k.kept) << k.size;
    EXPECT_EQ(c.records.back().detail, k.detail) << k.size;
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
