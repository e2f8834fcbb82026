// FCS-16 of the switch-pack link (reflected polynomial 0x8408, initial 0xFFFF,
// complemented, sent low byte first), table-driven.
#pragma once

#include <array>
#include <cstdint>

#include "common/core/bytes.h"

namespace corvid {

// 256 entries of the reflected-0x8408 table, each stored high byte first
// (byte 2i = high, 2i+1 = low): entry 1 = 0x1189, entry 255 = 0x0F78.
using CrcTableBytes = std::array<std::uint8_t, 512>;
const CrcTableBytes& CrcTable();

// Low and high byte of the FCS, in the order they go on the wire.
struct Crc {
  std::uint8_t low = 0;
  std::uint8_t high = 0;
  std::uint16_t Value() const { return static_cast<std::uint16_t>(high << 8 | low); }
};

// FCS over the bytes (complement applied).
Crc CalculateFcs(common::ByteView bytes);
// FCS as one number (0x906E over "123456789").
std::uint16_t Fcs16(common::ByteView bytes);

// Residue of a good body (FCS included) is 0x0F47.
inline constexpr std::uint16_t kFcsGoodResidue = 0x0F47;
// True when the body including its trailing FCS checks out.
bool CheckCrcString(common::ByteView bytes);

}  // namespace corvid
