#include "tessera/sim/tbx_model.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/hex.h"

namespace tessera::sim {
namespace {

using common::testing::B;
using common::testing::H;

constexpr TbxOptions kQuiet{.idle_animation = false};
constexpr char kStatusAnswer[] = "31 00 00 00 00 00 00 00 CE";

std::string Send(TbxModel& model, const char* hex) { return H(model.Receive(B(hex)).bytes); }

// What the end-to-end runs never send: broken frames, split and joined writes.
TEST(TbxModelTest, BrokenFramesAreIgnoredAndTheStreamResynchronises) {
  const std::pair<const char*, const char*> cases[] = {
      {"31 00 CD", ""},
      {"FF 00 12 31 00 CE", kStatusAnswer},
      {"34 31 00 CE", kStatusAnswer},
      {"71 0C 00 00 82", ""},  // identify without the marker
      {"34", ""},              // the rest comes in the next write
      {"00 CB 31 00 CE", "34 00 00 00 00 00 00 00 50 00 00 00 00 7B 31 00 00 00 00 00 00 00 CE"},
  };
  TbxModel model(kQuiet);
  for (const auto& [request, answer] : cases) EXPECT_EQ(Send(model, request), answer) << request;
  model.Options().extended = false;  // an older unit ignores the extended set
  // Dropped, not waited on.
  EXPECT_EQ(Send(model, "71 0D 00 00 81") + std::to_string(model.PendingBytes()), "0");
}

TEST(TbxModelTest, Faults) {
  const auto pattern = [](TbxOptions options, int requests) {
    options.idle_animation = false;
    TbxModel model(options);
    std::string out;
    for (int i = 0; i < requests; ++i) {
      const Bytes answer = model.Receive(B("31 00 CE")).bytes;
      out += answer.empty() ? '-' : IsValidFrame(answer) ? 'A' : 'x';
    }
    return out;
  };
  EXPECT_EQ(pattern({.drop_every = 3}, 6) + pattern({.corrupt_every = 2}, 4) +
                pattern({.silent = true}, 2),
            "AA-AA-AxAx--");
  // Random drops repeat with the seed.
  const std::string random = pattern({.drop_probability = 0.3, .seed = 42}, 200);
  EXPECT_EQ(random, pattern({.drop_probability = 0.3, .seed = 42}, 200));
  const auto drops = std::count(random.begin(), random.end(), '-');
  EXPECT_TRUE(drops > 30 && drops < 90) << drops;
  EXPECT_EQ(TbxModel({.delay_ms = 250}).Receive(B("31 00 CE")).delay_ms, 250);
}

}  // namespace
}  // namespace tessera::sim
