// Unit frames: command byte, data, checksum. A valid frame's bytes (request or
// response) sum to 0xFF modulo 256. Also the command codes and the rule that says
// how long a response is.
#pragma once

#include <cstdint>

#include "common/core/bytes.h"

namespace tessera {

using common::Bytes;
using common::ByteView;

// Command codes of the unit.
inline constexpr std::uint8_t kCmdStatus = 0x31;         // 31 00 CE, 31 02 CC
inline constexpr std::uint8_t kCmdInputRaw = 0x34;       // input exchange, raw inputs
inline constexpr std::uint8_t kCmdInputFiltered = 0x35;  // input exchange, filtered inputs
inline constexpr std::uint8_t kCmdOutput = 0x37;         // 16 output bytes
inline constexpr std::uint8_t kCmdLoader = 0x70;         // flash loader, sub-command follows
inline constexpr std::uint8_t kCmdIdentify = 0x71;       // extended identify
inline constexpr std::uint8_t kCmdSendFilters = 0x73;
inline constexpr std::uint8_t kCmdPollTransition = 0x76;
inline constexpr std::uint8_t kCmdSendTracking = 0x78;
inline constexpr std::uint8_t kCmdSendComplex = 0x79;
inline constexpr std::uint8_t kCmdGetFilters = 0x7D;
inline constexpr std::uint8_t kCmdClearEvents = 0x7E;
inline constexpr std::uint8_t kCmdReadEvents = 0x7F;

// Extended frames carry this 16-bit value (bytes 0D 00) right after the command.
inline constexpr std::uint16_t kExtendedMarker = 13;

// 8-bit sum of the bytes.
std::uint8_t ByteSum(ByteView bytes);
// The checksum byte that makes the frame sum to 0xFF: 0xFF - sum.
std::uint8_t Checksum(ByteView bytes);
// command, data, checksum.
Bytes BuildFrame(std::uint8_t command, ByteView data = {});
// command, 0D 00, data, checksum.
Bytes BuildExtendedFrame(std::uint8_t command, ByteView data = {});
// Non-empty and the 8-bit sum of all bytes is 0xFF.
bool IsValidFrame(ByteView frame);
// One of 0x71, 0x73, 0x76, 0x78, 0x79, 0x7D, 0x7E, 0x7F.
bool IsExtendedCommand(std::uint8_t command);
// Bytes 1-2 (low first) equal 13. A response without it is not an extended one.
bool HasExtendedMarker(ByteView response);

// How a response is read: in one piece of `count` bytes (item_size 0), or a header
// of `count` bytes whose last byte (or last two, low first, with wide_length) is an
// item count N, followed by a body of item_size * N + extra + 1 bytes (1 = checksum).
// A header whose N exceeds max_items (when set) is refused before its body is waited for.
struct ResponseShape {
  int count = 0;
  int item_size = 0;
  int extra = 0;
  bool wide_length = false;
  int max_items = 0;  // 0: any count the header can carry

  static constexpr ResponseShape Fixed(int length) { return {length, 0, 0, false}; }
  static constexpr ResponseShape Counted(int header, int item_size, int extra, bool wide,
                                         int max_items = 0) {
    return {header, item_size, extra, wide, max_items};
  }
  constexpr bool HasBody() const { return item_size != 0; }
  // The header's count is more than the response may carry.
  bool CountRefused(ByteView header) const {
    return max_items > 0 && ItemCount(header) > max_items;
  }
  // Item count from a complete header (at least `count` bytes).
  int ItemCount(ByteView header) const;
  // Bytes after the header: item_size * N + extra + 1.
  int BodyLength(ByteView header) const;
};

}  // namespace tessera
