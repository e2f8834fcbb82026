// Test helpers without Qt: bytes written as hex text ("31 00 CE") and back.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/core/bytes.h"

namespace common::testing {

// "31 00 CE" or "3100CE" -> bytes. Anything but hex digits is skipped, so a
// malformed literal shows up as a wrong frame, not a crash.
inline Bytes B(std::string_view hex) {
  std::string digits;
  for (char c : hex)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  Bytes out;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

// Bytes -> "31 00 CE".
inline std::string H(ByteView bytes) {
  std::string out;
  char digits[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, out.empty() ? "%02X" : " %02X", b);
    out += digits;
  }
  return out;
}

}  // namespace common::testing
