#include "common/core/trace_ring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace common {
namespace {

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
  struct Case {
    std::size_t max_records;
    std::vector<std::size_t> sizes;
    std::vector<std::string> kept;
    std::uint64_t first;
  };
  for (const Case& c : {
           Case{3, {10, 10, 10}, {"0", "1", "2"}, 0},
           Case{3, {10, 10, 10, 10, 10}, {"2", "3", "4"}, 2},
           Case{100, {10, 10, 10, 10}, {"1", "2", "3"}, 1},
           Case{100, {10, 10, 10, small + 10}, {"2", "3"}, 2},
           Case{100, {10, 10, 5 * small}, {"2"}, 2},
           Case{100, {5 * small, 10}, {"1"}, 1},
       }) {
    TraceRing ring(c.max_records, 3 * small);
    for (std::size_t i = 0; i < c.sizes.size(); ++i)
      ring.Push(Named(std::to_string(i), c.sizes[i]));
    EXPECT_EQ(Names(ring), c.kept);
    EXPECT_EQ(ring.FirstNumber(), c.first);
    EXPECT_EQ(ring.Evicted(), c.sizes.size() - c.kept.size());
    ASSERT_NE(ring.Find(c.first), nullptr);
    EXPECT_EQ(ring.Find(c.first)->name, c.kept.front());
    EXPECT_EQ(ring.Find(ring.EndNumber()), nullptr);
  }
  TraceRing full;
  for (int i = 0; i < 100003; ++i) full.Push(Named(std::to_string(i), 3));
  EXPECT_EQ(full.Size(), 100000u);
  EXPECT_EQ(full.At(0).name, "3");
  // Numbers run on across Clear: a view never mistakes a new record for an old one.
  full.Clear();
  full.Push(Named("new"));
  EXPECT_EQ(full.FirstNumber(), 100003u);
  EXPECT_EQ(full.Find(2), nullptr);
}

}  // namespace
}  // namespace common
