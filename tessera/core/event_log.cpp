#include "tessera/core/event_log.h"

#include "tessera/core/log_text.h"
#include "tessera/core/text_builder.h"

namespace tessera::logs {
namespace {

using text::AppendDec;
using text::AppendHex2;

constexpr std::size_t kHeaderLength = kEventHeaderLength;
constexpr std::size_t kMcLength = 4;
// Header, MC and checksum around the records.
constexpr std::size_t kFrameOverhead = kHeaderLength + kMcLength + 1;
constexpr std::size_t kLongestLine = 64;  // the longest record line, with room to spare

// One row of a type whose text depends on the sub-code P1; with_param appends hex2(P2).
struct Row {
  std::uint8_t p1;
  const char* text;
  bool with_param;
};

constexpr Row kType1[] = {{1, "Reboot, DC Brownout", false},
                          {2, "Reboot, NReset Active", false},
                          {3, "Reboot, Main Init", false}};
constexpr Row kType5[] = {{0, "Positive   Zero Cross", false},
                          {3, "Linesynch Timeout", false},
                          {255, "Negative Zero Cross", false}};
constexpr Row kType6[] = {{1, "Reset SCC Attempt, Address = 0x", true},
                          {2, "SB #1 Timeout, TBX Outputs Reset, Address = 0x", true}};
constexpr Row kType7[] = {{1, "DC Brownout Start", false}, {2, "DC Brownout End", false}};
constexpr Row kType9[] = {{1, "Start_Int Error, Vector=0x", true},
                          {2, "Start SCC, Address = 0x", true},
                          {3, "Stop SCC", false},
                          {4, "SCC RX_INT_SPR, RR1=0x", true},
                          {5, "SCC RX_INT_CHG, RR1=0x", true},
                          {6, "RX DMA Underflow", false}};

// A sub-code that no row lists has no text.
template <std::size_t kRows>
void AppendRow(std::string& out, const Row (&rows)[kRows], std::uint8_t p1, std::uint8_t p2) {
  for (const Row& row : rows) {
    if (row.p1 != p1) continue;
    out += row.text;
    if (row.with_param) AppendHex2(out, p2);
    return;
  }
}

void AppendEventText(std::string& out, std::uint8_t type, std::uint8_t p1, std::uint8_t p2) {
  switch (type) {
    case 1:
      return AppendRow(out, kType1, p1, p2);
    case 2:
      out += "Frame #";
      AppendDec(out, p1 & 0x7F);
      out += " Received, ";
      if ((p1 & 0x80) == 0) out += "invalid, ";
      out += "Param=0x";
      AppendHex2(out, p2);
      return;
    case 3:
      out += "Event Log Cleared";
      return;
    case 4:
      return;
    case 5:
      return AppendRow(out, kType5, p1, p2);
    case 6:
      return AppendRow(out, kType6, p1, p2);
    case 7:
      return AppendRow(out, kType7, p1, p2);
    case 8:
      // P1 carries the input request's control bits 0-2.
      out += (p1 & 0x01) ? "FP Ctl: Outputs=FP" : "FP Ctl: Outputs=SB#1";
      out += (p1 & 0x02) ? ", TBuffer=FP" : ", TBuffer=SB#1";
      if (p1 & 0x04) out += ", ZC Log Off";
      return;
    case 9:
      return AppendRow(out, kType9, p1, p2);
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
      // A 16-bit parameter sent low byte first, shown high byte first.
      out += "General_";
      AppendDec(out, type - 9u);
      out += ": Param_ms=0x";
      AppendHex2(out, p2);
      out += ", Param_ls=0x";
      AppendHex2(out, p1);
      return;
    default:
      out += "Invalid Record Type (";
      AppendDec(out, type);
      out += ')';
      return;
  }
}

}  // namespace

common::Bytes ReadEventsRequest() { return BuildExtendedFrame(kCmdReadEvents); }

common::Bytes ClearEventsRequest() { return BuildExtendedFrame(kCmdClearEvents); }

std::optional<int> EventCount(common::ByteView header) {
  if (header.size() < kHeaderLength) return std::nullopt;
  const int count = header[7] | (header[8] << 8);
  if (count > kMaxEventCount) return std::nullopt;
  return count;
}

bool IsEventLogResponse(common::ByteView response) {
  if (!HasExtendedMarker(response)) return false;
  const std::optional<int> count = EventCount(response);
  return count && response.size() == kFrameOverhead + kEventRecordSize * std::size_t(*count);
}

bool IsClearEventsResponse(common::ByteView response) { return HasExtendedMarker(response); }

std::string EventText(std::uint8_t type, std::uint8_t p1, std::uint8_t p2) {
  std::string out;
  AppendEventText(out, type, p1, p2);
  return out;
}

std::optional<std::string> DecodeEventLog(common::ByteView response) {
  if (!IsEventLogResponse(response)) return std::nullopt;
  const int count = *EventCount(response);
  const common::ByteView records = response.subspan(kHeaderLength, kEventRecordSize * count);
  const common::ByteView mc = response.subspan(kHeaderLength + records.size(), kMcLength);

  std::string out;
  out.reserve(kLongestLine * (count + 2));
  out += "> Log Read (";
  AppendDec(out, count);
  out += " events) at MC=0x";
  AppendHex2(out, mc);
  out += kCrLf;
  if (count == 0) {
    out += "  No Items";
    out += kCrLf;
    return out;
  }
  for (int i = 0; i < count; ++i) {
    const common::ByteView record = records.subspan(kEventRecordSize * i, kEventRecordSize);
    AppendEventText(out, record[0], record[1], record[2]);
    out += ", MC=0x";
    AppendHex2(out, record.subspan(3, kMcLength));
    out += kCrLf;
  }
  return out;
}

}  // namespace tessera::logs
