#include "corvid/link/hdlc_frame.h"

#include <gtest/gtest.h>

#include "corvid/link/crc.h"

namespace corvid {
namespace {

Bytes WithFcs(Bytes body) {
  const Crc crc = CalculateCRCString(body);
  body.insert(body.end(), {crc.Crc_ls, crc.Crc_ms});
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
    if (rx.Take(b)) return rx.RxFrame();
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

}  // namespace
}  // namespace corvid
