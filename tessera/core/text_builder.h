// Appending numbers to decoded log text without temporaries: hex2 (two upper-case
// digits) and dec (decimal, no leading zeros). Internal to the decoders.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>

#include "common/core/bytes.h"
#include "common/core/hex_text.h"

namespace tessera::logs::text {

using common::AppendHex2;

inline void AppendHex2(std::string& out, common::ByteView bytes) {
  common::AppendHex(out, bytes, '\0');
}

inline void AppendDec(std::string& out, unsigned value) {
  char buffer[12];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace tessera::logs::text
