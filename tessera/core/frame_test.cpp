#include "tessera/core/frame.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera {
namespace {

using common::testing::B;

TEST(FrameTest, ChecksumMakesEveryFrameSumToFF) {
  const std::pair<Bytes, const char*> cases[] = {
      {BuildFrame(0x34, B("00")), "34 00 CB"},
      {BuildFrame(0x31), "31 CE"},
      {BuildFrame(0xFF, B("FF FF")), "FF FF FF 02"},  // the sum wraps at 8 bits
      {BuildExtendedFrame(0x7E), "7E 0D 00 74"},
      {BuildExtendedFrame(0x71, B("00")), "71 0D 00 00 81"},
  };
  for (const auto& [frame, wire] : cases)
    EXPECT_EQ(std::tuple(common::testing::H(frame), IsValidFrame(frame)), std::tuple(wire, true));
  // A lone 0xFF sums to 0xFF.
  EXPECT_EQ(std::tuple(IsValidFrame(B("34 00 CA")), IsValidFrame({}), IsValidFrame(B("FF"))),
            std::tuple(false, false, true));
}

TEST(FrameTest, ExtendedCommandsAndMarker) {
  for (int code = 0; code < 256; ++code) {
    const bool expected = code == 0x71 || code == 0x73 || code == 0x76 || code == 0x78 ||
                          code == 0x79 || code == 0x7D || code == 0x7E || code == 0x7F;
    EXPECT_EQ(IsExtendedCommand(static_cast<std::uint8_t>(code)), expected) << code;
  }
  // 71 0D 01 is 0x010D, not 13.
  std::string marked;
  for (const char* hex : {"71 0D 00", "71 0C 00", "71 0D 01", "71 0D"})
    marked += HasExtendedMarker(B(hex)) ? 'y' : 'n';
  EXPECT_EQ(marked, "ynnn");
}

TEST(ResponseShapeTest, LengthRule) {
  const ResponseShape log = ResponseShape::Counted(9, 7, 4, true);
  const ResponseShape block = ResponseShape::Counted(9, 3, 5, false);
  // Shape, header, items counted, bytes still to read after the header.
  const std::tuple<ResponseShape, const char*, int, int> cases[] = {
      {log, "7F 0D 00 23 23 14 00 05 01", 261, 1832},  // wide: low byte first
      {log, "7F 0D 00 23 23 14 00 00 00", 0, 5},       // still extra + checksum
      {log, "7F 0D 00 23 23 14 00 00 02", 512, 3589},
      {block, "76 0D 00 23 23 14 00 01 10", 16, 54},  // narrow: the last byte only
      {block, "76 0D 00", 0, 6},                      // short header counts nothing
  };
  for (const auto& [shape, header, items, body] : cases) {
    EXPECT_EQ(std::tuple(shape.ItemCount(B(header)), shape.BodyLength(B(header))),
              std::tuple(items, body))
        << header;
  }
}

}  // namespace
}  // namespace tessera
