#include "corvid/link/hdlc_frame.h"

#include <gtest/gtest.h>

#include "corvid/link/crc.h"

namespace corvid {
namespace {

Bytes WithFcs(Bytes body) {
  const Crc crc = CalculateCRCString(body);
  body.push_back(crc.Crc_ls);
  body.push_back(crc.Crc_ms);
  return body;
}

struct FrameCase {
  const char* name;
  std::uint8_t slot;
  Bytes command;
  Bytes wire;
};

class CommandFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(CommandFrameTest, WireBytesExact) {
  const FrameCase& c = GetParam();
  EXPECT_EQ(BuildCommandFrame(c.slot, c.command), c.wire);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CommandFrameTest,
    ::testing::Values(
        FrameCase{"ModuleId", 1, {0x3C}, {0x7E, 0x01, 0x13, 0x3C, 0x06, 0xD8, 0x7E}},
        FrameCase{"StatusNoBits", 1, {0x01, 0x80, 0x80},
                  {0x7E, 0x01, 0x13, 0x01, 0x80, 0x80, 0x47, 0x70, 0x7E}},
        // FCS high byte 0x7D.
        FrameCase{"EscapeInFcsHigh", 13, {0x3C},
                  {0x7E, 0x0D, 0x13, 0x3C, 0xA5, 0x7D, 0x5D, 0x7E}},
        // FCS low byte 0x7E.
        FrameCase{"FlagInFcsLow", 1, {0x01, 0x82, 0x81},
                  {0x7E, 0x01, 0x13, 0x01, 0x82, 0x81, 0x7D, 0x5E, 0x52, 0x7E}},
        // Control characters below 0x20 go plain; 0x7E and 0x7D in the data are escaped.
        FrameCase{"DataBytes", 1, {0x7C, 0x7E, 0x7D, 0x11, 0x13},
                  {0x7E, 0x01, 0x13, 0x7C, 0x7D, 0x5E, 0x7D, 0x5D, 0x11, 0x13, 0x58, 0x1A,
                   0x7E}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HdlcFrameTest, CommandBodyCarriesFcsLowByteFirst) {
  EXPECT_EQ(CommandBody(1, Bytes{0x3C}), (Bytes{0x01, 0x13, 0x3C, 0x06, 0xD8}));
  EXPECT_TRUE(CheckCrcString(CommandBody(31, Bytes{0x7B})));
}

// Feeds the bytes through a receiver; returns the frame once the closing flag came.
std::optional<Bytes> Receive(HdlcReceiver& rx, const Bytes& bytes) {
  for (std::uint8_t b : bytes) {
    if (rx.Take(b)) return rx.RxFrame();
  }
  return std::nullopt;
}

TEST(HdlcReceiverTest, UnstuffsWhatWasStuffed) {
  for (const Bytes& body : {Bytes{0x01, 0x13, 0x81}, Bytes{0x7E, 0x7D, 0x5E, 0x5D, 0x20, 0x00},
                            Bytes{0x7D, 0x7D, 0x7E, 0x7E}, Bytes{}}) {
    HdlcReceiver rx;
    EXPECT_EQ(Receive(rx, FrameBody(body)), body);
    EXPECT_TRUE(rx.RxEnd());
    EXPECT_FALSE(rx.RxEscape());
  }
}

TEST(HdlcReceiverTest, EscapedFlagYieldsFlagByte) {
  HdlcReceiver rx;
  EXPECT_EQ(Receive(rx, {0x7E, 0x01, 0x7D, 0x5E, 0x02, 0x7E}), (Bytes{0x01, 0x7E, 0x02}));
}

TEST(HdlcReceiverTest, FlagsNeverReachTheFrame) {
  HdlcReceiver rx;
  EXPECT_FALSE(rx.Take(0x7E));
  EXPECT_TRUE(rx.RxStart());
  EXPECT_FALSE(rx.RxEnd());
  EXPECT_TRUE(rx.RxFrame().empty());
  EXPECT_TRUE(rx.Take(0x7E));
  EXPECT_TRUE(rx.RxFrame().empty());
}

TEST(HdlcReceiverTest, BytesBeforeOpeningFlagAreKept) {
  HdlcReceiver rx;
  EXPECT_EQ(Receive(rx, {0xAA, 0x7D, 0x5D, 0x7E, 0x01, 0x02, 0x7E}),
            (Bytes{0xAA, 0x7D, 0x01, 0x02}));
}

TEST(HdlcReceiverTest, SplitArrivalsGiveTheSameFrame) {
  const Bytes wire = FrameBody(WithFcs({0x01, 0x13, 0x7E, 0x7D, 0x81}));
  for (std::size_t split = 0; split <= wire.size(); ++split) {
    HdlcReceiver rx;
    std::optional<Bytes> frame = Receive(rx, Bytes(wire.begin(), wire.begin() + split));
    if (!frame) frame = Receive(rx, Bytes(wire.begin() + split, wire.end()));
    ASSERT_TRUE(frame.has_value()) << "split " << split;
    EXPECT_TRUE(CheckCrcString(*frame)) << "split " << split;
  }
}

TEST(HdlcReceiverTest, ResetClearsEverything) {
  HdlcReceiver rx;
  Receive(rx, {0x7E, 0x05, 0x7D});
  EXPECT_TRUE(rx.RxEscape());
  rx.Reset();
  EXPECT_FALSE(rx.RxStart());
  EXPECT_FALSE(rx.RxEnd());
  EXPECT_FALSE(rx.RxEscape());
  EXPECT_TRUE(rx.RxFrame().empty());
  EXPECT_EQ(Receive(rx, {0x7E, 0x5E, 0x7E}), (Bytes{0x5E}));
}

struct ResponseCase {
  const char* name;
  Bytes body;
  ResponseKind kind;
  std::uint8_t code;
  Bytes payload;
};

class EvaluateResponseTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(EvaluateResponseTest, Verdict) {
  const ResponseCase& c = GetParam();
  const ResponseCheck check = EvaluateResponse(c.body);
  EXPECT_EQ(check.kind, c.kind);
  if (c.kind != ResponseKind::kCrcError && c.kind != ResponseKind::kTooShort) {
    EXPECT_EQ(check.code, c.code);
  }
  EXPECT_EQ(check.payload, c.payload);
}

Bytes Corrupted(Bytes body) {
  body.back() ^= 0x80;
  return body;
}

INSTANTIATE_TEST_SUITE_P(
    Responses, EvaluateResponseTest,
    ::testing::Values(
        ResponseCase{"Status", WithFcs({0x01, 0x13, 0x81, 0x02, 0x03}), ResponseKind::kOk, 0x81,
                     {0x81, 0x02, 0x03}},
        ResponseCase{"FlashStatus", WithFcs({0x1E, 0x13, 0x82}), ResponseKind::kOk, 0x82, {0x82}},
        ResponseCase{"Identification", WithFcs({0x01, 0x13, 0xBC, 0x03}), ResponseKind::kOk, 0xBC,
                     {0xBC, 0x03}},
        ResponseCase{"Diagnostic", WithFcs({0x01, 0x13, 0xFB}), ResponseKind::kOk, 0xFB, {0xFB}},
        ResponseCase{"Calibration", WithFcs({0x01, 0x13, 0xFC}), ResponseKind::kOk, 0xFC, {0xFC}},
        // Address and control are not examined.
        ResponseCase{"OtherAddress", WithFcs({0x55, 0x00, 0xFC}), ResponseKind::kOk, 0xFC, {0xFC}},
        ResponseCase{"Nak", WithFcs({0x01, 0x13, 0x80}), ResponseKind::kNak, 0x80, {}},
        ResponseCase{"Foreign", WithFcs({0x01, 0x13, 0x41, 0x00}), ResponseKind::kUnknownCode,
                     0x41, {}},
        ResponseCase{"CommandEcho", WithFcs({0x01, 0x13, 0x01, 0x80, 0x80}),
                     ResponseKind::kUnknownCode, 0x01, {}},
        ResponseCase{"BadFcs", Corrupted(WithFcs({0x01, 0x13, 0x81})), ResponseKind::kCrcError, 0,
                     {}},
        ResponseCase{"Empty", {}, ResponseKind::kCrcError, 0, {}},
        // The FCS of nothing checks out but carries no code.
        ResponseCase{"FcsOnly", {0x00, 0x00}, ResponseKind::kTooShort, 0, {}},
        ResponseCase{"NoCode", WithFcs({0x01, 0x13}), ResponseKind::kTooShort, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvid
