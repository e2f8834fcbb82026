#include "corvid/core/crc.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

namespace corvid {
namespace {

TEST(CrcTest, TableEntriesAreStoredHighByteFirst) {
  const CrcTableBytes& table = CrcTable();
  for (const auto& [index, value] :
       {std::pair{0, 0x0000}, {1, 0x1189}, {128, 0x8408}, {255, 0x0F78}}) {
    EXPECT_EQ(table[2 * index], value >> 8) << index;
    EXPECT_EQ(table[2 * index + 1], value & 0xFF) << index;
  }
}

TEST(CrcTest, CheckValueOfDigits) {
  const std::string_view digits = "123456789";
  const Crc crc = CalculateFcs({reinterpret_cast<const std::uint8_t*>(digits.data()), 9});
  EXPECT_EQ(crc.low, 0x6E);
  EXPECT_EQ(crc.high, 0x90);
}

// Against a bit-at-a-time reference; appending the FCS low byte first leaves the good
// residue, one flipped bit or the FCS bytes swapped do not.
TEST(CrcTest, MatchesBitwiseReferenceAndResidue) {
  std::mt19937 random(7);
  for (int length = 0; length < 64; ++length) {
    std::vector<std::uint8_t> data(length);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    std::uint16_t reference = 0xFFFF;
    for (std::uint8_t b : data) {
      reference ^= b;
      for (int i = 0; i < 8; ++i)
        reference = (reference & 1) ? (reference >> 1) ^ 0x8408 : reference >> 1;
    }
    const Crc crc = CalculateFcs(data);
    ASSERT_EQ(crc.Value(), reference ^ 0xFFFF) << "length " << length;
    auto swapped = data;
    swapped.insert(swapped.end(), {crc.high, crc.low});
    data.insert(data.end(), {crc.low, crc.high});
    EXPECT_EQ(Fcs16(data), kFcsGoodResidue);
    EXPECT_TRUE(CheckCrcString(data));
    if (crc.low != crc.high) {
      EXPECT_FALSE(CheckCrcString(swapped));
    }
    data[data.size() / 2] ^= 0x04;
    EXPECT_FALSE(CheckCrcString(data));
  }
}

}  // namespace
}  // namespace corvid
