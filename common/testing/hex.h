// Test helpers without Qt: bytes written as hex text ("31 00 CE") and back.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include "common/core/bytes.h"

namespace common::testing {

// "31 00 CE" or "3100CE" -> bytes. Anything but hex digits separates nothing and
// is skipped, so a malformed literal shows up as a wrong frame, not a crash.
inline Bytes B(std::string_view hex) {
  Bytes out;
  int high = -1;
  for (char c : hex) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) continue;
    const int nibble = std::isdigit(static_cast<unsigned char>(c))
                           ? c - '0'
                           : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    if (high < 0) {
      high = nibble;
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | nibble));
      high = -1;
    }
  }
  return out;
}

// Bytes -> "31 00 CE".
inline std::string H(ByteView bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0x0F];
  }
  return out;
}

}  // namespace common::testing
