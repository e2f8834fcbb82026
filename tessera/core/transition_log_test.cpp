#include "tessera/core/transition_log.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::logs {
namespace {

using common::testing::B;
using common::testing::H;

// A block response: block number, the item bytes, status, MC 00 00 12 40. The
// checksum byte is left 0: the link checks it before the decoder runs.
common::Bytes Block(std::uint8_t block, int count, const char* items, std::uint8_t status) {
  common::Bytes response = B("76 0D 00 23 23 14 00");
  response.push_back(block);
  response.push_back(static_cast<std::uint8_t>(count));
  const common::Bytes item_bytes = B(items);
  response.insert(response.end(), item_bytes.begin(), item_bytes.end());
  response.insert(response.end(), {status, 0x00, 0x00, 0x12, 0x40, 0x00});
  return response;
}

TEST(TransitionLogTest, Requests) {
  EXPECT_EQ(H(PollTransitionRequest(1)) + " / " + H(PollTransitionRequest(0xFF)),
            "76 0D 00 01 7B / 76 0D 00 FF 7D");
  // Header 9 bytes with a 1-byte N, 3 bytes an item, status 1 + MC 4 + checksum 1.
  EXPECT_EQ(kPollTransitionResponse.BodyLength(B("76 0D 00 23 23 14 00 01 FF")), 255 * 3 + 6);
  // The first poll after start asks for block 1; 255 is followed by 0.
  EXPECT_EQ(std::tuple(NextTransBlock(0), NextTransBlock(255)), std::tuple(1, 0));
}

TEST(TransitionLogTest, HeaderAndStatus) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      // clang-format off
      {0x00, ""},
      {0x0A, " Status = C (more blocks available) E (same block requested) "},
      {0x0F, " Status = C (more blocks available) F (trans buffer limit exceeded) E (same block "
             "requested) G (block request out of sequence) "},
      {0xF1, " Status = G (block request out of sequence) "},
      // clang-format on
  };
  for (const auto& [status, text] : cases) {
    EXPECT_EQ(DecodeTransitionBlock(Block(1, 0, "", status)),
              "Block #1 polled at MC=0x00001240" + std::string(text) + "\r\n  No Items\r\n");
  }
}

TEST(TransitionLogTest, Items) {
  EXPECT_EQ(DecodeTransitionBlock(
                Block(200, 6, "85 12 34 05 12 34 FF 00 00 7F 00 01 FE AB CD 80 FF 00", 0)),
            "Block #200 polled at MC=0x00001240\r\n"
            "  Item #1: Input #5 On at MC'=0x1234\r\n"
            "  Item #2: Input #5 Off at MC'=0x1234\r\n"
            "  Item #3: MC Rollover\r\n"
            "  Item #4: Input #127 Off at MC'=0x0001\r\n"
            "  Item #5: Input #126 On at MC'=0xABCD\r\n"
            "  Item #6: Input #0 On at MC'=0xFF00\r\n");
}

TEST(TransitionLogTest, RejectsBadResponses) {
  // One item with the marker 0x000E, a byte short, a byte too many, counted as two.
  const std::string one = "76 0D 00 23 23 14 00 01 01 85 12 34 00 00 00 12 40 00";
  for (const common::Bytes& response :
       {B("76 0E" + one.substr(5)), B(one.substr(0, one.size() - 3)), B(one + " 00"),
        Block(1, 2, "85 12 34", 0), B("76 0D 00 23 23 14 00 01"), common::Bytes{}}) {
    EXPECT_FALSE(IsTransitionResponse(response)) << H(response);
    EXPECT_FALSE(DecodeTransitionBlock(response)) << H(response);
  }
}

}  // namespace
}  // namespace tessera::logs
