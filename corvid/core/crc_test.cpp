#include "corvid/core/crc.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace corvid {
namespace {

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
    EXPECT_TRUE(Fcs16(data) == kFcsGoodResidue && CheckCrcString(data));
    EXPECT_TRUE(crc.low == crc.high || !CheckCrcString(swapped));
    data[data.size() / 2] ^= 0x04;
    EXPECT_FALSE(CheckCrcString(data));
  }
}

}  // namespace
}  // namespace corvid
