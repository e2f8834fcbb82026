// Test helpers without Qt: bytes written as hex text ("70 06 89") and back.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace tessera::testing {

inline common::Bytes B(std::string_view hex) {
  common::Bytes bytes;
  int high = -1;
  for (char c : hex) {
    if (c == ' ') continue;
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) throw std::invalid_argument("not hex: " + std::string(hex));
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd digits: " + std::string(hex));
  return bytes;
}

inline std::string H(common::ByteView bytes) {
  std::string text;
  char buffer[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", b);
    if (!text.empty()) text += ' ';
    text += buffer;
  }
  return text;
}

}  // namespace tessera::testing
