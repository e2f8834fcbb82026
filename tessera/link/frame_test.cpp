#include "tessera/link/frame.h"

#include <gtest/gtest.h>

#include "tessera/link/requests.h"
#include "tessera/link/test_bytes.h"

namespace tessera {
namespace {

using hex::B;
using hex::H;

TEST(RequestsTest, WireBytes) {
  std::array<std::uint8_t, 17> outputs{};
  outputs[0] = 0x01;   // chkOut(0)
  outputs[6] = 0x40;   // chkOut(54) "Active"
  outputs[16] = 0xAA;  // OutputData(16) is never sent
  const struct {
    Frame request;
    const char* wire;
  } cases[] = {
      {StatusRequest(), "31 00 CE"},
      {LineSyncErrorRequest(), "31 02 CC"},
      {IdentifyRequest(), "71 0D 00 00 81"},
      {BuildExtendedFrame(kCmdReadEvents), "7F 0D 00 73"},
      {BuildExtendedFrame(kCmdGetFilters), "7D 0D 00 75"},
      {InputRequest({}), "34 00 CB"},
      {InputRequest({.filtered = true, .output_front_panel = true}), "35 01 C9"},
      {InputRequest({.transition_front_panel = true}), "34 02 C9"},
      {InputRequest({.filtered = true, .zcross_disabled = true}), "35 04 C6"},
      {InputRequest(
           {.output_front_panel = true, .transition_front_panel = true, .zcross_disabled = true}),
       "34 07 C4"},
      {OutputRequest({}), "37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8"},
      {OutputRequest(outputs), "37 01 00 00 00 00 00 40 00 00 00 00 00 00 00 00 00 87"},
  };
  for (const auto& c : cases) EXPECT_EQ(H(c.request), c.wire);
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
  EXPECT_FALSE(HasExtendedMarker(B("71 0D")));
}

TEST(ResponseShapeTest, LengthRule) {
  const ResponseShape log = ResponseShape::Counted(9, 7, 4, true);
  const ResponseShape block = ResponseShape::Counted(9, 3, 5, false);
  const struct {
    ResponseShape shape;
    const char* header;
    int items;
  } cases[] = {
      {log, "7F 0D 00 23 23 14 00 05 01", 261},  // wide: low byte first
      {log, "7F 0D 00 23 23 14 00 00 00", 0},    // still extra + 1 more bytes
      {log, "7F 0D 00 23 23 14 00 00 02", 512},
      {block, "76 0D 00 23 23 14 00 01 10", 16},  // narrow: the last byte only
      {block, "76 0D 00", 0},                     // short header counts nothing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.shape.ItemCount(B(c.header)), c.items) << c.header;
    EXPECT_EQ(c.shape.BodyLength(B(c.header)), c.shape.item_size * c.items + c.shape.extra + 1);
  }
}

}  // namespace
}  // namespace tessera
