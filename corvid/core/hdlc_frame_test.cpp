#include "corvid/core/hdlc_frame.h"

#include <gtest/gtest.h>

#include <map>

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

// "wire | frame": bytes before the opening flag are kept.
TEST(HdlcReceiverTest, UnstuffsAndKeepsFlagsOut) {
  for (const std::string row :
       {"7E 7D 5E 7D 5D 5E 5D 20 00 7E | 7E 7D 5E 5D 20 00", "7E 01 7D 5E 02 7E | 01 7E 02",
        "7E 7E | ", "AA 7D 5D 7E 01 02 7E | AA 7D 01 02"}) {
    HdlcReceiver rx;
    EXPECT_EQ(Receive(rx, B(row.substr(0, row.find('|')))), B(row.substr(row.find('|'))));
    EXPECT_TRUE(rx.RxEnd());
  }
}

TEST(HdlcReceiverTest, SplitArrivalsAndReset) {
  const Bytes wire = FrameBody(WithFcs({0x01, 0x13, 0x7E, 0x7D, 0x81}));
  for (std::size_t split = 0; split <= wire.size(); ++split) {
    HdlcReceiver rx;
    // A half frame with a pending escape left over from before the reset.
    Receive(rx, B("7E 05 7D"));
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
  // The noise, then the bytes of the unfinished frame held after it and the overflows:
  // at the bound, one over, a flood, and escape bytes, which are not kept.
  for (const auto& [noise, held, overflows] : {std::tuple{Bytes(256, 0x00), 256u, 0u},
                                               {Bytes(257, 0x00), 1u, 1u},
                                               {Bytes(100000, 0x00), 160u, 390u},
                                               {Bytes(600, 0x7D), 0u, 0u}}) {
    HdlcReceiver rx;
    EXPECT_FALSE(Receive(rx, B("7E")).has_value() || Receive(rx, noise).has_value());
    EXPECT_EQ(std::tuple(rx.Frame().size(), rx.Overflows()), std::tuple(held, overflows));
    EXPECT_LE(rx.Frame().capacity(), kMaxFrameBytes);
    // Without an overflow the next frame's opening flag closes the long one; after
    // one it opens a frame that still carries what came before it. Either way that
    // fails its FCS, and the next exchange starts clean.
    const Bytes next = FrameBody(WithFcs(B("01 13 FB 00")));
    const auto frame = Receive(rx, next);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), overflows > 0 ? held + 6 : held);
    EXPECT_FALSE(CheckCrcString(*frame));
    rx.Reset();
    EXPECT_EQ(Receive(rx, next), WithFcs(B("01 13 FB 00")));
  }
}

// Without the command sent (0), any known code is taken; knowing it, only its own
// answer (or a NAK): another command's answer, typically a late one, is foreign.
TEST(HdlcFrameTest, EvaluateResponse) {
  using enum ResponseKind;
  // What a check found: the payload taken, or why none was. Address and control are
  // not examined.
  auto seen = [](const ResponseCheck& c) {
    const std::map<ResponseKind, std::string> why = {{kCrcError, "FCS"},
                                                     {kTooShort, "short"},
                                                     {kNak, "NAK"},
                                                     {kForeignCode, "foreign"},
                                                     {kUnknownCode, "unknown"}};
    return c.kind == kOk ? H(c.payload) : why.at(c.kind);
  };
  // "the command sent (-- none) | the body before its FCS | what was found"
  for (const std::string row :
       {"-- | 01 13 81 02 03 | 81 02 03", "-- | 55 00 FC | FC", "-- | 01 13 80 | NAK",
        "-- | 01 13 41 00 | unknown", "-- | 01 13 01 80 80 | unknown", "-- | 01 13 | short",
        "01 | 01 13 81 00 | 81 00", "02 | 1E 13 82 00 | 82 00", "3C | 01 13 BC 02 | BC 02",
        "7B | 01 13 FB 00 | FB 00", "7C | 01 13 FC | FC", "7B | 01 13 81 00 | foreign",
        "01 | 01 13 82 00 | foreign", "01 | 01 13 BC 02 | foreign", "7C | 01 13 FB 00 | foreign",
        "3C | 01 13 80 | NAK"}) {
    const Bytes sent = B(row.substr(0, 2));
    const auto command = sent.empty() ? std::nullopt : std::optional(sent[0]);
    const Bytes body = WithFcs(B(row.substr(5, row.rfind('|') - 5)));
    EXPECT_EQ(seen(EvaluateResponse(body, command)), row.substr(row.rfind('|') + 2)) << row;
  }
  EXPECT_EQ(EvaluateResponse(WithFcs(B("01 13 41"))).code, 0x41);
  // A flipped bit, nothing at all, and the FCS of nothing, which checks out but has no code.
  Bytes corrupted = WithFcs(B("01 13 81"));
  corrupted.back() ^= 0x80;
  for (const auto& [body, found] :
       {std::pair{corrupted, "FCS"}, {Bytes{}, "FCS"}, {B("00 00"), "short"}})
    EXPECT_EQ(seen(EvaluateResponse(body)), found) << H(body);
}

}  // namespace
}  // namespace corvid
