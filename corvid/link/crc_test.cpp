#include "corvid/link/crc.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

namespace corvid {
namespace {

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Bit-at-a-time reference, independent of the table.
std::uint16_t ReferenceFcs(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
  }
  return crc ^ 0xFFFF;
}

TEST(CrcTest, TableEntriesAreStoredHighByteFirst) {
  const CrcTableBytes& table = CrcTable();
  struct Entry {
    int index;
    std::uint16_t value;
  };
  for (const Entry& e : {Entry{0, 0x0000}, Entry{1, 0x1189}, Entry{128, 0x8408}, Entry{255, 0x0F78}}) {
    SCOPED_TRACE(e.index);
    EXPECT_EQ(table[2 * e.index], e.value >> 8);
    EXPECT_EQ(table[2 * e.index + 1], e.value & 0xFF);
  }
}

TEST(CrcTest, CheckValueOfDigits) {
  EXPECT_EQ(Fcs16(AsBytes("123456789")), 0x906E);
  const Crc crc = CalculateCRCString(AsBytes("123456789"));
  EXPECT_EQ(crc.Crc_ls, 0x6E);
  EXPECT_EQ(crc.Crc_ms, 0x90);
}

TEST(CrcTest, EmptyInputGivesZero) { EXPECT_EQ(Fcs16({}), 0x0000); }

TEST(CrcTest, MatchesBitwiseReferenceAndLeavesGoodResidue) {
  std::mt19937 random(7);
  for (int length = 0; length < 64; ++length) {
    std::vector<std::uint8_t> data(length);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    const Crc crc = CalculateCRCString(data);
    ASSERT_EQ(crc.Value(), ReferenceFcs(data)) << "length " << length;
    data.push_back(crc.Crc_ls);
    data.push_back(crc.Crc_ms);
    EXPECT_TRUE(CheckCrcString(data));
    EXPECT_EQ(Fcs16(data), kFcsGoodResidue);
    data[data.size() / 2] ^= 0x04;
    EXPECT_FALSE(CheckCrcString(data));
  }
}

TEST(CrcTest, FcsSentHighByteFirstFailsTheCheck) {
  std::vector<std::uint8_t> body{0x01, 0x13, 0x3C};
  const Crc crc = CalculateCRCString(body);
  body.push_back(crc.Crc_ms);
  body.push_back(crc.Crc_ls);
  EXPECT_FALSE(CheckCrcString(body));
}

}  // namespace
}  // namespace corvid
