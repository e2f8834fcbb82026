// Appending numbers to decoded log text without temporaries: hex2 (two upper-case
// digits) and dec (decimal, no leading zeros). Internal to the decoders.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

#include "common/bytes.h"

namespace tessera::logs::text {

inline void AppendHex2(std::string& out, std::uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[value >> 4];
  out += kDigits[value & 0x0F];
}

inline void AppendHex2(std::string& out, common::ByteView bytes) {
  for (std::uint8_t b : bytes) AppendHex2(out, b);
}

inline void AppendDec(std::string& out, unsigned value) {
  char buffer[12];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace tessera::logs::text
