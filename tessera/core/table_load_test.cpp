#include "tessera/core/table_load.h"

#include <gtest/gtest.h>

#include <deque>

#include "common/testing/hex.h"

namespace tessera::config {
namespace {

using common::testing::B;
using common::testing::H;

TEST(TableLoadTest, Frames) {
  const common::Bytes table = B("11 22 33");
  const TableFrames frames = LoadFrames(0x78, table);
  EXPECT_EQ(H(frames.frame_a) + " / " + H(frames.frame_b),
            "78 0D 00 00 00 00 00 7A / 78 0D 00 08 11 22 33 0C");
}

TEST(TableLoadTest, FrameBOnlyAfterAnExtendedAnswerToFrameA) {
  const std::string answer = "78 0D 00 23 23 14 00 00 00 00 00 00 20";
  // The response of each exchange in turn ("" = failed), the frames that went out.
  using Case = std::tuple<std::vector<std::string>, std::vector<std::string>, LoadOutcome>;
  const Case cases[] = {
      {{""}, {"A"}, LoadOutcome::kFrameARefused},
      {{"78 0D"}, {"A"}, LoadOutcome::kFrameARefused},
      {{answer, ""}, {"A", "B"}, LoadOutcome::kFrameBUnanswered},
      {{answer, answer}, {"A", "B"}, LoadOutcome::kSent},
      // Frame B's answer is not examined.
      {{answer, "78 0C 00 23 23 14 00 00 00 00 00 00 21"}, {"A", "B"}, LoadOutcome::kSent},
  };
  const TableFrames frames{B("78 0D 00 00 00 7A"), B("78 0D 00 08 01 71")};
  for (const auto& [replies, expected_sent, expected] : cases) {
    std::deque<std::string> answers(replies.begin(), replies.end());
    std::vector<std::string> sent;
    const LoadOutcome outcome = LoadTable(frames, [&](common::ByteView request) {
      sent.push_back(H(request) == H(frames.frame_a) ? "A" : "B");
      const std::string rx = answers.empty() ? "" : answers.front();
      if (!answers.empty()) answers.pop_front();
      return B(rx.c_str());
    });
    EXPECT_EQ(std::tuple(outcome, sent), std::tuple(expected, expected_sent)) << replies.front();
  }
}

}  // namespace
}  // namespace tessera::config
