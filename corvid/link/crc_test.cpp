#include "corvid/link/crc.h"

#include <gtest/gtest.h>

#include <string_view>

namespace corvid {
namespace {

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(CrcTest, TableEntriesAreStoredHighByteFirst) {
  const CrcTableBytes& table = CrcTable();
  EXPECT_EQ(table[0], 0x00);
  EXPECT_EQ(table[1], 0x00);
  EXPECT_EQ(table[2], 0x11);
  EXPECT_EQ(table[3], 0x89);
  EXPECT_EQ(table[510], 0x0F);
  EXPECT_EQ(table[511], 0x78);
}

TEST(CrcTest, CheckValueOfDigits) {
  EXPECT_EQ(Fcs16(AsBytes("123456789")), 0x906E);
  const Crc crc = CalculateCRCString(AsBytes("123456789"));
  EXPECT_EQ(crc.Crc_ls, 0x6E);
  EXPECT_EQ(crc.Crc_ms, 0x90);
}

}  // namespace
}  // namespace corvid
