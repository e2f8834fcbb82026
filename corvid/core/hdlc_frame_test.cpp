#include "corvid/core/hdlc_frame.h"

#include <gtest/gtest.h>

#include "corvid/core/crc.h"

namespace corvid {
namespace {

Bytes WithFcs(Bytes body) {
  const Crc crc = CalculateFcs(body);
  body.insert(body.end(), {crc.low, crc.high});
  return body;
}

TEST(HdlcFrameTest, CommandWireBytes) {
  struct Case {
    std::uint8_t slot;
    Bytes command, wire;
  };
  for (const Case& c : {
           Case{1, {0x3C}, {0x7E, 0x01, 0x13, 0x3C, 0x06, 0xD8, 0x7E}},
           Case{1, {0x01, 0x80, 0x80}, {0x7E, 0x01, 0x13, 0x01, 0x80, 0x80, 0x47, 0x70, 0x7E}},
           // FCS high byte 0x7D, then FCS low byte 0x7E.
           Case{13, {0x3C}, {0x7E, 0x0D, 0x13, 0x3C, 0xA5, 0x7D, 0x5D, 0x7E}},
           Case{
               1, {0x01, 0x82, 0x81}, {0x7E, 0x01, 0x13, 0x01, 0x82, 0x81, 0x7D, 0x5E, 0x52, 0x7E}},
           // Control characters go plain; 0x7E and 0x7D in the data are escaped.
           Case{1,
                {0x7C, 0x7E, 0x7D, 0x11, 0x13},
                {0x7E, 0x01, 0x13, 0x7C, 0x7D, 0x5E, 0x7D, 0x5D, 0x11, 0x13, 0x58, 0x1A, 0x7E}},
       }) {
    EXPECT_EQ(BuildCommandFrame(c.slot, c.command), c.wire);
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
      {FrameBody(Bytes{0x7E, 0x7D, 0x5E, 0x5D, 0x20, 0x00}), {0x7E, 0x7D, 0x5E, 0x5D, 0x20, 0x00}},
      {{0x7E, 0x01, 0x7D, 0x5E, 0x02, 0x7E}, {0x01, 0x7E, 0x02}},
      {{0x7E, 0x7E}, {}},
      // Bytes before the opening flag are kept like any other.
      {{0xAA, 0x7D, 0x5D, 0x7E, 0x01, 0x02, 0x7E}, {0xAA, 0x7D, 0x01, 0x02}},
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
  struct Case {
    const char* name;
    Bytes noise;
    std::size_t held;  // bytes of the unfinished frame after the noise
    std::uint64_t overflows;
  };
  const Bytes opening = {0x7E};
  for (const Case& c : {
           Case{"just under", Bytes(255, 0x00), 255, 0},
           Case{"at the bound", Bytes(256, 0x00), 256, 0},
           Case{"one over", Bytes(257, 0x00), 1, 1},
           Case{"a flood", Bytes(100000, 0x00), 160, 390},
           Case{"escape bytes are not kept", Bytes(600, 0x7D), 0, 0},
       }) {
    SCOPED_TRACE(c.name);
    HdlcReceiver rx;
    EXPECT_FALSE(Receive(rx, opening).has_value());
    EXPECT_FALSE(Receive(rx, c.noise).has_value());
    EXPECT_EQ(rx.Frame().size(), c.held);
    EXPECT_EQ(rx.Overflows(), c.overflows);
    EXPECT_LE(rx.Frame().capacity(), kMaxFrameBytes);
    // Without an overflow the next frame's opening flag closes the long one; after
    // one it opens a frame that still carries what came before it. Either way that
    // fails its FCS, and the next exchange starts clean.
    const Bytes next = FrameBody(WithFcs({0x01, 0x13, 0xFB, 0x00}));
    const auto frame = Receive(rx, next);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), c.overflows > 0 ? c.held + 6 : c.held);
    EXPECT_FALSE(CheckCrcString(*frame));
    rx.Reset();
    EXPECT_EQ(Receive(rx, next), WithFcs({0x01, 0x13, 0xFB, 0x00}));
  }
}

TEST(HdlcFrameTest, EvaluateResponse) {
  struct Case {
    Bytes body;
    ResponseKind kind;
    Bytes payload;
  };
  Bytes corrupted = WithFcs({0x01, 0x13, 0x81});
  corrupted.back() ^= 0x80;
  for (const Case& c : {
           Case{WithFcs({0x01, 0x13, 0x81, 0x02, 0x03}), ResponseKind::kOk, {0x81, 0x02, 0x03}},
           Case{WithFcs({0x1E, 0x13, 0x82}), ResponseKind::kOk, {0x82}},
           Case{WithFcs({0x01, 0x13, 0xBC, 0x03}), ResponseKind::kOk, {0xBC, 0x03}},
           Case{WithFcs({0x01, 0x13, 0xFB}), ResponseKind::kOk, {0xFB}},
           // Address and control are not examined.
           Case{WithFcs({0x55, 0x00, 0xFC}), ResponseKind::kOk, {0xFC}},
           Case{WithFcs({0x01, 0x13, 0x80}), ResponseKind::kNak, {}},
           Case{WithFcs({0x01, 0x13, 0x41, 0x00}), ResponseKind::kUnknownCode, {}},
           Case{WithFcs({0x01, 0x13, 0x01, 0x80, 0x80}), ResponseKind::kUnknownCode, {}},
           Case{corrupted, ResponseKind::kCrcError, {}},
           Case{{}, ResponseKind::kCrcError, {}},
           // The FCS of nothing checks out but carries no code.
           Case{{0x00, 0x00}, ResponseKind::kTooShort, {}},
           Case{WithFcs({0x01, 0x13}), ResponseKind::kTooShort, {}},
       }) {
    const ResponseCheck check = EvaluateResponse(c.body);
    EXPECT_EQ(check.kind, c.kind) << c.body.size();
    EXPECT_EQ(check.payload, c.payload);
  }
  EXPECT_EQ(EvaluateResponse(WithFcs({0x01, 0x13, 0x41})).code, 0x41);
}

// Knowing the command sent, only its own answer (or a NAK) is taken: another
// command's answer, typically a late one, is foreign.
TEST(HdlcFrameTest, EvaluateResponseToTheCommandSent) {
  struct Case {
    std::uint8_t command;
    Bytes body;
    ResponseKind kind;
  };
  for (const Case& c : {
           Case{0x01, WithFcs({0x01, 0x13, 0x81, 0x00}), ResponseKind::kOk},
           Case{0x02, WithFcs({0x1E, 0x13, 0x82, 0x00}), ResponseKind::kOk},
           Case{0x3C, WithFcs({0x01, 0x13, 0xBC, 0x02}), ResponseKind::kOk},
           Case{0x7B, WithFcs({0x01, 0x13, 0xFB, 0x00}), ResponseKind::kOk},
           Case{0x7C, WithFcs({0x01, 0x13, 0xFC}), ResponseKind::kOk},
           Case{0x7B, WithFcs({0x01, 0x13, 0x81, 0x00}), ResponseKind::kForeignCode},
           Case{0x3C, WithFcs({0x01, 0x13, 0x81, 0x00}), ResponseKind::kForeignCode},
           Case{0x01, WithFcs({0x01, 0x13, 0x82, 0x00}), ResponseKind::kForeignCode},
           Case{0x01, WithFcs({0x01, 0x13, 0xBC, 0x02}), ResponseKind::kForeignCode},
           Case{0x7C, WithFcs({0x01, 0x13, 0xFB, 0x00}), ResponseKind::kForeignCode},
           Case{0x3C, WithFcs({0x01, 0x13, 0x80}), ResponseKind::kNak},
           Case{0x01, WithFcs({0x01, 0x13, 0x41}), ResponseKind::kUnknownCode},
       }) {
    const ResponseCheck check = EvaluateResponse(c.body, c.command);
    EXPECT_EQ(check.kind, c.kind) << int(c.command) << " " << int(c.body[2]);
    EXPECT_EQ(check.payload.empty(), c.kind != ResponseKind::kOk);
  }
}

}  // namespace
}  // namespace corvid
