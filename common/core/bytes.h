// The one byte type of both programs: frames, commands, responses and tables are
// held as Bytes and passed as ByteView. No Qt here.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace common {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

}  // namespace common
