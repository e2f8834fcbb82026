// Test helpers without Qt: bytes written as hex text ("70 06 89") and back.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace tessera::testing {

inline common::Bytes B(std::string_view hex) {
  common::Bytes bytes;
  std::string digits;
  for (char c : hex) {
    if (c != ' ') digits += c;
  }
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

inline std::string H(common::ByteView bytes) {
  std::string text;
  char buffer[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(buffer, sizeof buffer, text.empty() ? "%02X" : " %02X", b);
    text += buffer;
  }
  return text;
}

}  // namespace tessera::testing
