#include "corvid/core/hdlc_frame.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"
#include "corvid/core/crc.h"

namespace corvid {
namespace {

using common::testing::B;
using common::testing::H;

Bytes WithFcs(Bytes body) {
  const Crc crc = CalculateFcs(body);
  body.insert(body.end(), {crc.low, crc.high});
  return body;
}

TEST(HdlcFrameTest, CommandWireBytes) {
  for (const auto& [slot, command, wire] : {
           std::tuple{1, "3C", "7E 01 13 3C 06 D8 7E"},
           {1, "01 80 80", "7E 01 13 01 80 80 47 70 7E"},
           {13, "3C", "7E 0D 13 3C A5 7D 5D 7E"},  // FCS high byte 0x7D, then low byte 0x7E
           {1, "01 82 81", "7E 01 13 01 82 81 7D 5E 52 7E"},
           // Control characters go plain; 0x7E and 0x7D in the data are escaped.
           {1, "7C 7E 7D 11 13", "7E 01 13 7C 7D 5E 7D 5D 11 13 58 1A 7E"},
       }) {
    EXPECT_EQ(H(BuildCommandFrame(slot, B(command))), wire);
  }
}

// Feeds bytes to the receiver; the frame once the closing flag came.
std::optional<Bytes> Receive(HdlcReceiver& rx, ByteView bytes) {
  for (std::uint8_t b : bytes)
    if (rx.Take(b)) return rx.Frame();
  return std::nullopt;
}

TEST(HdlcReceiverTest, UnstuffsAndKeepsFlagsOut) {
  const std::vector<std::pair<Bytes, Bytes>> cases = {
      {FrameBody(B("7E 7D 5E 5D 20 00")), B("7E 7D 5E 5D 20 00")},
      {B("7E 01 7D 5E 02 7E"), B("01 7E 02")},
      {B("7E 7E"), {}},
      {B("AA 7D 5D 7E 01 02 7E"), B("AA 7D 01 02")},  // bytes before the opening flag are kept
  };
  for (const auto& [wire, frame] : cases) {
    HdlcReceiver rx;
    EXPECT_EQ(Receive(rx, wire), frame);
    EXPECT_TRUE(rx.RxEnd());
  }
}

TEST(HdlcReceiverTest, SplitArrivalsAndReset) {
  const Bytes wire = FrameBody(WithFcs({0x01, 0x13, 0x7E, 0x7D, 0x81}));
  for (std::size_t split = 0; split <= wire.size(); ++split) {
    HdlcReceiver rx;
    // A half frame with a pending escape left over from before the reset.
    const Bytes leftover = {0x7E, 0x05, 0x7D};
    Receive(rx, leftover);
    rx.Reset();
    std::optional<Bytes> frame = Receive(rx, ByteView(wire).first(split));
    if (!frame) frame = Receive(rx, ByteView(wire).subspan(split));
    ASSERT_TRUE(frame.has_value()) << "split " << split;
    EXPECT_TRUE(CheckCrcString(*frame)) << "split " << split;
  }
}

// A line that never closes its frame: the receiver keeps at most kMaxFrameBytes,
// drops the rest, and still takes the next whole frame.
TEST(HdlcReceiverTest, AFrameThatNeverClosesIsBounded) {
  const Bytes opening = {0x7E};
  // The noise, then the bytes of the unfinished frame held after it and the overflows:
  // at the bound, one over, a flood, and escape bytes, which are not kept.
  for (const auto& [noise, held, overflows] : {std::tuple{Bytes(256, 0x00), 256u, 0u},
                                               {Bytes(257, 0x00), 1u, 1u},
                                               {Bytes(100000, 0x00), 160u, 390u},
                                               {Bytes(600, 0x7D), 0u, 0u}}) {
    HdlcReceiver rx;
    EXPECT_FALSE(Receive(rx, opening).has_value());
    EXPECT_FALSE(Receive(rx, noise).has_value());
    EXPECT_EQ(std::tuple(rx.Frame().size(), rx.Overflows()), std::tuple(held, overflows));
    EXPECT_LE(rx.Frame().capacity(), kMaxFrameBytes);
    // Without an overflow the next frame's opening flag closes the long one; after
    // one it opens a frame that still carries what came before it. Either way that
    // fails its FCS, and the next exchange starts clean.
    const Bytes next = FrameBody(WithFcs({0x01, 0x13, 0xFB, 0x00}));
    const auto frame = Receive(rx, next);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), overflows > 0 ? held + 6 : held);
    EXPECT_FALSE(CheckCrcString(*frame));
    rx.Reset();
    EXPECT_EQ(Receive(rx, next), WithFcs({0x01, 0x13, 0xFB, 0x00}));
  }
}

// Without the command sent, any known code is taken; knowing it, only its own answer
// (or a NAK): another command's answer, typically a late one, is foreign.
TEST(HdlcFrameTest, EvaluateResponse) {
  struct Case {
    std::optional<std::uint8_t> command;
    Bytes body;
    ResponseKind kind;
    Bytes payload;
  };
  Bytes corrupted = WithFcs({0x01, 0x13, 0x81});
  corrupted.back() ^= 0x80;
  const auto ok = ResponseKind::kOk, foreign = ResponseKind::kForeignCode;
  for (const Case& c : {
           Case{{}, WithFcs({0x01, 0x13, 0x81, 0x02, 0x03}), ok, {0x81, 0x02, 0x03}},
           // Address and control are not examined.
           Case{{}, WithFcs({0x55, 0x00, 0xFC}), ok, {0xFC}},
           Case{{}, WithFcs({0x01, 0x13, 0x80}), ResponseKind::kNak, {}},
           Case{{}, WithFcs({0x01, 0x13, 0x41, 0x00}), ResponseKind::kUnknownCode, {}},
           Case{{}, WithFcs({0x01, 0x13, 0x01, 0x80, 0x80}), ResponseKind::kUnknownCode, {}},
           Case{{}, corrupted, ResponseKind::kCrcError, {}},
           Case{{}, {}, ResponseKind::kCrcError, {}},
           // The FCS of nothing checks out but carries no code.
           Case{{}, {0x00, 0x00}, ResponseKind::kTooShort, {}},
           Case{{}, WithFcs({0x01, 0x13}), ResponseKind::kTooShort, {}},
           Case{0x01, WithFcs({0x01, 0x13, 0x81, 0x00}), ok, {0x81, 0x00}},
           Case{0x02, WithFcs({0x1E, 0x13, 0x82, 0x00}), ok, {0x82, 0x00}},
           Case{0x3C, WithFcs({0x01, 0x13, 0xBC, 0x02}), ok, {0xBC, 0x02}},
           Case{0x7B, WithFcs({0x01, 0x13, 0xFB, 0x00}), ok, {0xFB, 0x00}},
           Case{0x7C, WithFcs({0x01, 0x13, 0xFC}), ok, {0xFC}},
           Case{0x7B, WithFcs({0x01, 0x13, 0x81, 0x00}), foreign, {}},
           Case{0x01, WithFcs({0x01, 0x13, 0x82, 0x00}), foreign, {}},
           Case{0x01, WithFcs({0x01, 0x13, 0xBC, 0x02}), foreign, {}},
           Case{0x7C, WithFcs({0x01, 0x13, 0xFB, 0x00}), foreign, {}},
           Case{0x3C, WithFcs({0x01, 0x13, 0x80}), ResponseKind::kNak, {}},
       }) {
    const ResponseCheck check = EvaluateResponse(c.body, c.command);
    EXPECT_EQ(check.kind, c.kind) << H(c.body);
    EXPECT_EQ(check.payload, c.payload) << H(c.body);
  }
  EXPECT_EQ(EvaluateResponse(WithFcs({0x01, 0x13, 0x41})).code, 0x41);
}

}  // namespace
}  // namespace corvid
