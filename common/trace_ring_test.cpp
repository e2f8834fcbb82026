#include "common/trace_ring.h"

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

TEST(TraceRingTest, TheOldestGiveWayToTheRecordBound) {
  TraceRing ring(3);
  struct Step {
    const char* name;
    std::size_t gone;
    std::vector<std::string> kept;
    std::uint64_t first;
  };
  for (const Step& s : {
           Step{"a", 0, {"a"}, 0},
           Step{"b", 0, {"a", "b"}, 0},
           Step{"c", 0, {"a", "b", "c"}, 0},
           Step{"d", 1, {"b", "c", "d"}, 1},
           Step{"e", 1, {"c", "d", "e"}, 2},
       }) {
    EXPECT_EQ(ring.Push(Named(s.name)), s.gone) << s.name;
    EXPECT_EQ(Names(ring), s.kept) << s.name;
    EXPECT_EQ(ring.FirstNumber(), s.first) << s.name;
    EXPECT_EQ(ring.EndNumber(), s.first + s.kept.size()) << s.name;
  }
  EXPECT_EQ(ring.Evicted(), 2u);
}

TEST(TraceRingTest, TheBytesAreBoundedToo) {
  const std::size_t small = TraceRing::Weight(Named("x", 10));
  struct Case {
    const char* name;
    std::vector<std::size_t> sizes;  // bytes of each record pushed, names "0", "1", ...
    std::vector<std::string> kept;
  };
  for (const Case& c : {
           Case{"three fit", {10, 10, 10}, {"0", "1", "2"}},
           Case{"a fourth pushes the first out", {10, 10, 10, 10}, {"1", "2", "3"}},
           Case{"a big one takes the room of two", {10, 10, 10, small + 10}, {"2", "3"}},
           Case{"one alone over the bound stays", {10, 10, 5 * small}, {"2"}},
           Case{"and gives way to the next", {5 * small, 10}, {"1"}},
       }) {
    TraceRing ring(100, 3 * small);
    for (std::size_t i = 0; i < c.sizes.size(); ++i)
      ring.Push(Named(std::to_string(i), c.sizes[i]));
    EXPECT_EQ(Names(ring), c.kept) << c.name;
    std::size_t weight = 0;
    for (std::size_t i = 0; i < ring.Size(); ++i) weight += TraceRing::Weight(ring.At(i));
    EXPECT_EQ(ring.Bytes(), weight) << c.name;
  }
}

TEST(TraceRingTest, KeepsTheLastHundredThousand) {
  TraceRing ring;
  for (int i = 0; i < 100003; ++i) ring.Push(Named(std::to_string(i), 3));
  EXPECT_EQ(ring.Size(), 100000u);
  EXPECT_EQ(ring.At(0).name, "3");
  EXPECT_EQ(ring.At(99999).name, "100002");
  EXPECT_EQ(ring.FirstNumber(), 3u);
  EXPECT_EQ(ring.Evicted(), 3u);
}

TEST(TraceRingTest, NumbersRunOnAcrossClear) {
  TraceRing ring(2);
  for (const char* name : {"a", "b", "c"}) ring.Push(Named(name));
  struct Lookup {
    std::uint64_t number;
    const char* name;  // nullptr: not there
  };
  for (const Lookup& l : {Lookup{0, nullptr}, Lookup{1, "b"}, Lookup{2, "c"}, Lookup{3, nullptr}}) {
    const TraceRecord* r = ring.Find(l.number);
    EXPECT_EQ(r == nullptr, l.name == nullptr) << l.number;
    if (r != nullptr && l.name != nullptr) {
      EXPECT_EQ(r->name, l.name);
    }
  }
  ring.Clear();
  EXPECT_TRUE(ring.Empty());
  EXPECT_EQ(ring.Bytes(), 0u);
  EXPECT_EQ(ring.Evicted(), 0u);
  EXPECT_EQ(ring.Find(2), nullptr);
  ring.Push(Named("d"));
  EXPECT_EQ(ring.FirstNumber(), 3u);
  ASSERT_NE(ring.Find(3), nullptr);
  EXPECT_EQ(ring.Find(3)->name, "d");
}

}  // namespace
}  // namespace common
