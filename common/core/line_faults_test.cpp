#include "common/core/line_faults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "common/core/line_settings.h"
#include "common/testing/hex.h"

namespace common {
namespace {

using testing::B;
using testing::H;

TEST(LineFaultsTest, NamesRoundTripAndUnknownNamesAreRefused) {
  EXPECT_EQ(LineFaultNames(), "garbage,truncate,oversize,checksum,late,flood,unplug,nak,foreign");
  EXPECT_EQ(LineFaultName(*ParseLineFault("unplug")), std::string("unplug"));
  EXPECT_FALSE(ParseLineFault("Garbage").has_value());
}

// after 1000, for 500: once each kind with a 500 ms gap, or every 2000 for ever.
TEST(LineFaultsTest, ScheduleFromTheFirstRequest) {
  const FaultPlan once{{LineFault::kGarbage, LineFault::kFlood}, 1000, 500, 0};
  const FaultPlan cycling{{LineFault::kGarbage, LineFault::kFlood}, 1000, 500, 2000};
  // When, the fault then ("" none, else name#index), and how long until it changes.
  using Steps = std::vector<std::tuple<long long, const char*, long long>>;
  const Steps once_steps = {
      {-1, "", 1001},         {0, "", 1000},    {999, "", 1},           {1000, "garbage#0", 500},
      {1499, "garbage#0", 1}, {1500, "", 500},  {2000, "flood#1", 500}, {2499, "flood#1", 1},
      {2500, "", -1},         {100000, "", -1},
  };
  const Steps cycling_steps = {
      {1000, "garbage#0", 500}, {1500, "", 1500},       {3000, "flood#1", 500},
      {5000, "garbage#2", 500}, {7400, "flood#3", 100}, {7500, "", 1500},
  };
  for (const auto& [plan, steps] : {std::pair{&once, &once_steps}, {&cycling, &cycling_steps}}) {
    for (const auto& [at_ms, expected, next_change] : *steps) {
      const auto fault = FaultAt(*plan, at_ms);
      const std::string got =
          fault ? std::string(LineFaultName(fault->kind)) + "#" + std::to_string(fault->index) : "";
      EXPECT_EQ(got, expected) << "at " << at_ms << " every " << plan->every_ms;
      EXPECT_EQ(NextFaultChange(*plan, at_ms), next_change) << "at " << at_ms;
    }
  }
  EXPECT_FALSE(FaultAt(FaultPlan{}, 5000).has_value());
  EXPECT_EQ(NextFaultChange(FaultPlan{}, 5000), -1);
}

TEST(LineFaultsTest, RepliesMangledByKind) {
  const Bytes answer = B("34 00 00 00 00 00 00 00 90 00 00 00 00 3B");
  const ReplyFaults small{.noise_max = 0x0F, .late_ms = 600, .oversize_inside = false};
  const ReplyFaults inside{.noise_max = 0xFF, .late_ms = 80, .oversize_inside = true};
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    const DeviceReply garbage = ShapeReply(LineFault::kGarbage, {answer, 0}, small, random);
    ASSERT_GE(garbage.bytes.size(), 1u);
    ASSERT_LE(garbage.bytes.size(), 2 * answer.size() + 4);
    for (std::uint8_t b : garbage.bytes) ASSERT_LE(b, 0x0F) << H(garbage.bytes);

    const DeviceReply cut = ShapeReply(LineFault::kTruncate, {answer, 0}, small, random);
    ASSERT_LT(cut.bytes.size(), answer.size());
    ASSERT_TRUE(std::equal(cut.bytes.begin(), cut.bytes.end(), answer.begin()));

    const DeviceReply after = ShapeReply(LineFault::kOversize, {answer, 0}, small, random);
    ASSERT_GE(after.bytes.size(), answer.size() + 64);
    ASSERT_LE(after.bytes.size(), answer.size() + 1024);
    ASSERT_TRUE(std::equal(answer.begin(), answer.end(), after.bytes.begin()));

    const DeviceReply within =
        ShapeReply(LineFault::kOversize, {B("7E 01 13 FC 12 34 7E"), 0}, inside, random);
    ASSERT_EQ(H(Bytes(within.bytes.begin(), within.bytes.begin() + 6)), "7E 01 13 FC 12 34");
    ASSERT_EQ(within.bytes.back(), 0x7E);
  }
  EXPECT_EQ(ShapeReply(LineFault::kLate, {answer, 5}, small, random).delay_ms, 605);
  EXPECT_TRUE(ShapeReply(LineFault::kUnplug, {answer, 0}, small, random).bytes.empty());
  // No answer stays no answer; the model's own faults leave the bytes alone.
  for (int k = 0; k <= static_cast<int>(LineFault::kForeign); ++k) {
    const auto kind = static_cast<LineFault>(k);
    EXPECT_TRUE(ShapeReply(kind, {}, small, random).bytes.empty());
    if (kind == LineFault::kChecksum || kind == LineFault::kNak || kind == LineFault::kForeign ||
        kind == LineFault::kFlood) {
      EXPECT_EQ(H(ShapeReply(kind, {answer, 0}, small, random).bytes), H(answer));
    }
  }
}

TEST(LineSettingsTest, ParsesTheProgramsSettingsAndRejectsNonsense) {
  const struct {
    const char* text;
    int baud;
    char parity;
    int bits_per_byte;
  } good[] = {{"19200,E,8,1", 19200, 'E', 11},
              {"307200,n,8,1", 307200, 'N', 10},
              {" 9600 , o , 7 , 2 ", 9600, 'O', 11}};
  for (const auto& c : good) {
    const auto parsed = LineSettings::Parse(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(parsed->baud, c.baud);
    EXPECT_EQ(parsed->parity, c.parity);
    EXPECT_EQ(parsed->BitsPerByte(), c.bits_per_byte);
  }
  for (const char* bad :
       {"", "19200,E,8", "fast,E,8,1", "0,E,8,1", "19200,X,8,1", "19200,E,9,1", "19200,E,8,3",
        "19200,EE,8,1", "19200,E,8,1,", "19200,E,,1", "99999999999,E,8,1"}) {
    EXPECT_FALSE(LineSettings::Parse(bad).has_value()) << bad;
  }
  // 19200 8E1 carries 1745 bytes/s; 307200 8N1 carries 30720 bytes/s.
  EXPECT_NEAR(1e6 / LineSettings::Parse("19200,E,8,1")->MicrosPerByte(), 1745.45, 0.01);
  EXPECT_NEAR(1e6 / LineSettings::Parse("307200,n,8,1")->MicrosPerByte(), 30720.0, 0.01);
}

}  // namespace
}  // namespace common
