#include "corvid/core/crc.h"

namespace corvid {
namespace {

CrcTableBytes BuildTable() {
  CrcTableBytes table{};
  for (int i = 0; i < 256; ++i) {
    std::uint16_t v = static_cast<std::uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit)
      v = (v & 1) ? static_cast<std::uint16_t>((v >> 1) ^ 0x8408) : v >> 1;
    table[2 * i] = static_cast<std::uint8_t>(v >> 8);
    table[2 * i + 1] = static_cast<std::uint8_t>(v & 0xFF);
  }
  return table;
}

}  // namespace

const CrcTableBytes& CrcTable() {
  static const CrcTableBytes table = BuildTable();
  return table;
}

Crc CalculateFcs(common::ByteView bytes) {
  const CrcTableBytes& table = CrcTable();
  std::uint8_t ls = 0xFF;
  std::uint8_t ms = 0xFF;
  for (std::uint8_t b : bytes) {
    const int k = b ^ ls;
    ls = table[2 * k + 1] ^ ms;
    ms = table[2 * k];
  }
  return Crc{static_cast<std::uint8_t>(~ls), static_cast<std::uint8_t>(~ms)};
}

std::uint16_t Fcs16(common::ByteView bytes) { return CalculateFcs(bytes).Value(); }

bool CheckCrcString(common::ByteView bytes) { return Fcs16(bytes) == kFcsGoodResidue; }

}  // namespace corvid
