// FCS-16 of RFC 1662 computed one bit at a time, apart from the program's table: the
// fuzz targets' reference.
#pragma once

#include <cstdint>

#include "common/core/bytes.h"

inline std::uint16_t BitwiseFcs(common::ByteView bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
  }
  return static_cast<std::uint16_t>(crc ^ 0xFFFF);
}
