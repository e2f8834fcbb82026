// Upper-case hexadecimal, as every trace, log, file name and message of both
// programs writes it.
#pragma once

#include <cstdint>
#include <string>

#include "common/core/bytes.h"

namespace common {

// Two digits: 0x0A -> "0A".
inline void AppendHex2(std::string& out, std::uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[value >> 4];
  out += kDigits[value & 0x0F];
}

// Two digits a byte, with `separator` between bytes ('\0': none).
inline void AppendHex(std::string& out, ByteView bytes, char separator = ' ') {
  bool first = true;
  for (std::uint8_t b : bytes) {
    if (!first && separator != '\0') out += separator;
    first = false;
    AppendHex2(out, b);
  }
}

// "31 00 CE".
inline std::string HexBytes(ByteView bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  AppendHex(text, bytes);
  return text;
}

// A number without leading zeros beyond `min_digits`: 0x1F -> "1F", 5 -> "05" for 2.
inline std::string HexNumber(std::uint32_t value, std::size_t min_digits = 1) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < min_digits) text.insert(0, min_digits - text.size(), '0');
  return text;
}

}  // namespace common
