// The unit's diagnostic event log: the read and clear requests, their response
// shapes, and the decoder that turns a read into report text (a header line with
// the count and MC value, then one line per 7-byte record).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/bytes.h"
#include "tessera/core/frame.h"

namespace tessera::logs {

// 7E 0D 00 74: 8 bytes, 500 ms, silent.
common::Bytes ClearEventsRequest();
inline constexpr ResponseShape kClearEventsResponse = ResponseShape::Fixed(8);
// The box shown after a clear the unit confirmed (OK, no icon).
inline constexpr std::string_view kEventsClearedText = "Event Log Cleared";
inline constexpr std::string_view kEventsClearedTitle = "Clear TBX Event Log";

inline constexpr int kEventHeaderLength = 9;
inline constexpr int kEventRecordSize = 7;
// Counts of 32768 and more (high byte 0x80 or above) are not taken as a log.
inline constexpr int kMaxEventCount = 32767;

// 7F 0D 00 73: header 9 bytes with a 16-bit count N, then 7N + 4 + 1 bytes; up to
// 20 s, silent. A count above kMaxEventCount is refused as soon as the header is in.
common::Bytes ReadEventsRequest();
inline constexpr ResponseShape kReadEventsResponse =
    ResponseShape::Counted(9, kEventRecordSize, 4, true, kMaxEventCount);
inline constexpr int kReadEventsTimeoutMs = 20000;

// N from the first 9 bytes of a read response (bytes 7-8, low first); nullopt when
// the header is short or N is above kMaxEventCount. Lets the reader give up on a bad
// count before waiting for a body of up to 458 750 bytes.
std::optional<int> EventCount(common::ByteView header);

// A read response the decoder takes: extended marker, acceptable N, 14 + 7N bytes.
bool IsEventLogResponse(common::ByteView response);
// A clear the unit confirmed: the 8-byte answer carries the extended marker.
bool IsClearEventsResponse(common::ByteView response);

// The text of one record before its ", MC=0x..." part; empty where the type has no
// text or no row matches the sub-code.
std::string EventText(std::uint8_t type, std::uint8_t p1, std::uint8_t p2);

// The lines one read adds to the window ("> Log Read (N events) at MC=0x........",
// then "  No Items" or the records), each ending in CR LF. Nullopt when the response
// is not acceptable: then nothing is shown.
std::optional<std::string> DecodeEventLog(common::ByteView response);

}  // namespace tessera::logs
