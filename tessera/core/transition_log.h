// The unit's transition buffer, read in numbered blocks: the poll request, its
// response shape, the block number rule and the decoder that turns a block into
// report text (a header line with block number, MC and status, one line per item).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/bytes.h"
#include "tessera/core/frame.h"

namespace tessera::logs {

// 76 0D 00 block checksum: header 9 bytes with a 1-byte count N, then 3N + 5 + 1
// bytes; 500 ms, silent.
common::Bytes PollTransitionRequest(std::uint8_t block);
inline constexpr ResponseShape kPollTransitionResponse = ResponseShape::Counted(9, 3, 5, false);

// Status bit 3: the unit holds more transitions than this block carried.
inline constexpr std::uint8_t kMoreBlocks = 0x08;

// TransBlock after one more "Get Block": counts up by one whatever became of the
// previous poll; after 255 it wraps to 0.
std::uint8_t NextTransBlock(std::uint8_t trans_block);

// A poll response the decoder takes: extended marker and 15 + 3N bytes.
bool IsTransitionResponse(common::ByteView response);

// " Status = " and the texts of status bits 3, 2, 1, 0 that are set (each ending in
// a blank); empty when none of them is. Bits 4-7 mean nothing here.
std::string TransitionStatusText(std::uint8_t status);

// The lines one block adds to the window ("Block #B polled at MC=0x........" with its
// status, then "  No Items" or one line per item), each ending in CR LF. Nullopt
// when the response is not acceptable: then nothing is shown.
std::optional<std::string> DecodeTransitionBlock(common::ByteView response);

}  // namespace tessera::logs
