#include "tessera/sim/tbx_model.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/hex.h"
#include "tessera/core/requests.h"

namespace tessera::sim {
namespace {

using common::testing::B;
using common::testing::H;

constexpr TbxOptions kQuiet{.idle_animation = false};
constexpr char kStatusAnswer[] = "31 00 00 00 00 00 00 00 CE";

std::string Send(TbxModel& model, const char* hex) { return H(model.Receive(B(hex)).bytes); }

TEST(TbxModelTest, AnswersEachRequest) {
  const struct {
    const char* request;
    const char* answer;
  } cases[] = {
      {"31 00 CE", kStatusAnswer},
      {"31 02 CC", kStatusAnswer},
      {"34 00 CB", "34 00 00 00 00 00 00 00 50 00 00 00 00 7B"},
      {"35 07 C3", "35 00 00 00 00 00 00 00 50 00 00 00 00 7A"},
      {"37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8", "37 00 C8"},
      {"71 0D 00 00 81", "71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27"},
      // Broken frames are ignored and the stream resynchronises on the next one.
      {"31 00 CD", ""},
      {"31 00 CF", ""},
      {"FF 00 12 31 00 CE", kStatusAnswer},
      {"34 31 00 CE", kStatusAnswer},
      {"71 0C 00 00 82", ""},  // identify without the marker
      // Two requests in one write get both answers, in order.
      {"31 00 CE 37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8",
       "31 00 00 00 00 00 00 00 CE 37 00 C8"},
  };
  for (const auto& c : cases) {
    TbxModel model(kQuiet);
    EXPECT_EQ(Send(model, c.request), c.answer) << c.request;
    EXPECT_EQ(Send(model, "31 00 CE"), kStatusAnswer) << "after " << c.request;
  }
}

TEST(TbxModelTest, OptionsShapeTheAnswers) {
  TbxModel model({.unit_address = 9,
                  .comm_version = 0x10,
                  .firmware_type = 0x07,
                  .firmware_revision = 0x41,
                  .line_sync_error = true,
                  .opto_inputs = 0x0F,
                  .idle_animation = false});
  EXPECT_EQ(InputDataOf(model.Receive(B("34 00 CB")).bytes)[7], 0x9F);
  EXPECT_EQ(Send(model, "31 00 CE"), "31 02 00 00 00 00 00 00 CC");
  EXPECT_EQ(Send(model, "71 0D 00 00 81"), "71 0D 00 10 07 41 00 00 00 00 00 00 00 00 29");
  model.Options().extended = false;  // an older unit ignores the extended set
  EXPECT_EQ(Send(model, "71 0D 00 00 81"), "");
  EXPECT_EQ(model.PendingBytes(), 0u);  // dropped, not waited on
}

TEST(TbxModelTest, SplitWrites) {
  TbxModel model(kQuiet);
  EXPECT_EQ(Send(model, "34"), "");
  EXPECT_EQ(Send(model, "00"), "");
  EXPECT_EQ(Send(model, "CB"), "34 00 00 00 00 00 00 00 50 00 00 00 00 7B");
  EXPECT_EQ(Send(model, "31 00 CE 31"), kStatusAnswer);
  EXPECT_EQ(Send(model, "00 CE"), kStatusAnswer);
}

TEST(TbxModelTest, OutputsLoopBackToInputs) {
  TbxModel model;  // animation on: writing outputs stops it
  std::array<std::uint8_t, 16> outputs{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xC0};
  outputs[10] = 0xEE;  // beyond the points: not echoed
  EXPECT_EQ(Send(model, H(OutputRequest(outputs)).c_str()), "37 00 C8");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(H(model.Receive(InputRequest({})).bytes),
              "34 11 22 33 44 55 66 C0 50 00 00 00 00 56");
  }
}

TEST(TbxModelTest, IdleAnimationWalksPointsThenOptos) {
  TbxModel model;
  for (int step = 0; step < 60; ++step) {
    const int lit = step % 59;  // 55 points, then the 4 optos
    std::array<std::uint8_t, 12> expected{0, 0, 0, 0, 0, 0, 0, 0x50};
    expected[lit < 55 ? lit / 8 : 7] |=
        static_cast<std::uint8_t>(1 << (lit < 55 ? lit % 8 : lit - 55));
    EXPECT_EQ(InputDataOf(model.Receive(InputRequest({})).bytes), expected) << step;
  }
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
  EXPECT_EQ(pattern({.drop_every = 3}, 6), "AA-AA-");
  EXPECT_EQ(pattern({.corrupt_every = 2}, 4), "AxAx");
  EXPECT_EQ(pattern({.silent = true}, 2), "--");
  // Random drops repeat with the seed.
  const std::string random = pattern({.drop_probability = 0.3, .seed = 42}, 200);
  EXPECT_EQ(random, pattern({.drop_probability = 0.3, .seed = 42}, 200));
  const auto drops = std::count(random.begin(), random.end(), '-');
  EXPECT_GT(drops, 30);
  EXPECT_LT(drops, 90);
  TbxModel slow({.delay_ms = 250});
  EXPECT_EQ(slow.Receive(B("31 00 CE")).delay_ms, 250);
}

}  // namespace
}  // namespace tessera::sim
