#include "tessera/link/frame.h"

#include <gtest/gtest.h>

#include "common/testing/test_support.h"
#include "tessera/link/test_bytes.h"
#include "tessera/link/requests.h"

namespace tessera {
namespace {

using tessera::hex::B;
using tessera::hex::H;

struct WireCase {
  const char* name;
  Frame request;
  const char* wire;
};

TEST(RequestsTest, WireBytes) {
  std::array<std::uint8_t, 17> outputs{};
  outputs[0] = 0x01;   // chkOut(0)
  outputs[6] = 0x40;   // chkOut(54) "Active"
  outputs[16] = 0xAA;  // OutputData(16) is never sent
  const WireCase cases[] = {
      {"status", StatusRequest(), "31 00 CE"},
      {"line sync", LineSyncErrorRequest(), "31 02 CC"},
      {"identify", IdentifyRequest(), "71 0D 00 00 81"},
      {"raw input, bus control", InputRequest({}), "34 00 CB"},
      {"filtered input, outputs front panel",
       InputRequest({.filtered = true, .output_front_panel = true}), "35 01 C9"},
      {"transition front panel", InputRequest({.transition_front_panel = true}), "34 02 C9"},
      {"zcross disabled", InputRequest({.filtered = true, .zcross_disabled = true}), "35 04 C6"},
      {"all control bits",
       InputRequest({.output_front_panel = true, .transition_front_panel = true,
                     .zcross_disabled = true}),
       "34 07 C4"},
      {"outputs all off", OutputRequest({}),
       "37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8"},
      {"outputs 0 and Active", OutputRequest(outputs),
       "37 01 00 00 00 00 00 40 00 00 00 00 00 00 00 00 00 87"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(H(c.request), c.wire) << c.name;
    EXPECT_TRUE(IsValidFrame(c.request)) << c.name;
  }
  EXPECT_EQ(OutputRequest(outputs).size(), 18u);
}

TEST(FrameTest, ChecksumMakesTheSum0xFF) {
  EXPECT_EQ(Checksum(B("31 00")), 0xCE);
  EXPECT_EQ(Checksum(B("")), 0xFF);
  EXPECT_EQ(Checksum(B("FF FF 02")), 0xFF);  // 0x200 wraps to 0
  EXPECT_EQ(H(BuildFrame(0x7E, B("0D 00"))), "7E 0D 00 74");
  EXPECT_EQ(H(BuildExtendedFrame(kCmdReadEvents)), "7F 0D 00 73");
  EXPECT_EQ(H(BuildExtendedFrame(kCmdGetFilters)), "7D 0D 00 75");
}

TEST(FrameTest, Validity) {
  const struct {
    const char* bytes;
    bool valid;
  } cases[] = {
      {"31 00 CE", true},  {"31 00 CD", false},  // sums to 0xFE
      {"31 00 CF", false},                       // sums to 0x00
      {"FF", true},        {"", false},          {"80 80 FE", false},
      {"80 7F", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidFrame(B(c.bytes)), c.valid) << c.bytes;
}

TEST(FrameTest, ExtendedCommandsAndMarker) {
  for (int code = 0; code < 256; ++code) {
    const bool expected = code == 0x71 || code == 0x73 || code == 0x76 || code == 0x78 ||
                          code == 0x79 || code == 0x7D || code == 0x7E || code == 0x7F;
    EXPECT_EQ(IsExtendedCommand(static_cast<std::uint8_t>(code)), expected) << code;
  }
  EXPECT_TRUE(HasExtendedMarker(B("71 0D 00")));
  EXPECT_FALSE(HasExtendedMarker(B("71 0C 00")));
  EXPECT_FALSE(HasExtendedMarker(B("71 0D 01")));  // 0x010D, not 13
  EXPECT_FALSE(HasExtendedMarker(B("71 00 0D")));  // big-endian 13 is not the marker
  EXPECT_FALSE(HasExtendedMarker(B("71 0D")));
}

TEST(ResponseShapeTest, LengthRule) {
  const struct {
    const char* name;
    ResponseShape shape;
    const char* header;
    int items;
    int body;
  } cases[] = {
      {"event log, wide 05 01", ResponseShape::Counted(9, 7, 4, true),
       "7F 0D 00 23 23 14 00 05 01", 261, 7 * 261 + 4 + 1},
      {"event log, empty", ResponseShape::Counted(9, 7, 4, true), "7F 0D 00 23 23 14 00 00 00", 0,
       5},
      {"event log, high byte only", ResponseShape::Counted(9, 7, 4, true),
       "7F 0D 00 23 23 14 00 00 02", 512, 7 * 512 + 5},
      {"transition block, narrow", ResponseShape::Counted(9, 3, 5, false),
       "76 0D 00 23 23 14 00 01 10", 16, 3 * 16 + 6},
      {"narrow ignores the byte before", ResponseShape::Counted(9, 3, 5, false),
       "76 0D 00 23 23 14 00 FF 00", 0, 6},
      {"short header counts nothing", ResponseShape::Counted(9, 3, 5, false), "76 0D 00", 0, 6},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(c.shape.HasBody()) << c.name;
    EXPECT_EQ(c.shape.ItemCount(B(c.header)), c.items) << c.name;
    EXPECT_EQ(c.shape.BodyLength(B(c.header)), c.body) << c.name;
  }
  EXPECT_FALSE(kInputResponse.HasBody());
  EXPECT_EQ(kInputResponse.count, 14);
  EXPECT_EQ(kStatusResponse.count, 9);
  EXPECT_EQ(kOutputResponse.count, 3);
  EXPECT_EQ(kIdentifyResponse.count, 15);
}

TEST(RequestsTest, ResponseFields) {
  const Frame input = B("34 01 02 03 04 05 06 80 5F 09 0A 0B 0C 00");
  const auto data = InputDataOf(input);
  EXPECT_EQ(data[0], 0x01);
  EXPECT_EQ(data[6], 0x80);
  EXPECT_EQ(data[7], 0x5F);
  EXPECT_EQ(data[11], 0x0C);
  EXPECT_EQ(UnitAddressOf(input), 5);
  EXPECT_EQ(UnitAddressOf(B("34 00 00 00 00 00 00 00 5A")), 5);
  EXPECT_EQ(UnitAddressOf(B("34 00 00 00 00 00 00 00 F0")), 15);
  EXPECT_EQ(UnitAddressOf(B("34 00")), 0);
  EXPECT_EQ(InputDataOf(B("34 07"))[0], 0x07);
  EXPECT_EQ(InputDataOf(B("34 07"))[1], 0x00);

  EXPECT_TRUE(LineSyncErrorOf(B("31 02 00 00 00 00 00 00 CC")));
  EXPECT_TRUE(LineSyncErrorOf(B("31 03")));
  EXPECT_FALSE(LineSyncErrorOf(B("31 00 00 00 00 00 00 00 CE")));
  EXPECT_FALSE(LineSyncErrorOf(B("31 FD")));
  EXPECT_FALSE(LineSyncErrorOf(B("31")));
}

}  // namespace
}  // namespace tessera
