#include "tessera/core/transition_log.h"

#include "tessera/core/log_text.h"
#include "tessera/core/text_builder.h"

namespace tessera::logs {
namespace {

using text::AppendDec;
using text::AppendHex2;

constexpr std::size_t kHeaderLength = 9;
constexpr std::size_t kItemSize = 3;
// Header, status, MC and checksum around the items.
constexpr std::size_t kFrameOverhead = kHeaderLength + 1 + 4 + 1;
constexpr std::uint8_t kRollover = 0xFF;
constexpr std::string_view kBlockHeader = "Block #";

struct StatusBit {
  std::uint8_t mask;
  const char* text;
};
// In the order they are shown.
constexpr StatusBit kStatusBits[] = {{0x08, "C (more blocks available) "},
                                     {0x04, "F (trans buffer limit exceeded) "},
                                     {0x02, "E (same block requested) "},
                                     {0x01, "G (block request out of sequence) "}};

void AppendStatus(std::string& out, std::uint8_t status) {
  if ((status & 0x0F) == 0) return;
  out += " Status = ";
  for (const StatusBit& bit : kStatusBits) {
    if (status & bit.mask) out += bit.text;
  }
}

}  // namespace

common::Bytes PollTransitionRequest(std::uint8_t block) {
  const std::uint8_t data[] = {block};
  return BuildExtendedFrame(kCmdPollTransition, data);
}

std::uint8_t NextTransBlock(std::uint8_t trans_block) {
  return static_cast<std::uint8_t>(trans_block + 1);
}

bool IsTransitionResponse(common::ByteView response) {
  return HasExtendedMarker(response) && response.size() >= kHeaderLength &&
         response.size() == kFrameOverhead + kItemSize * response[8];
}

std::string TransitionStatusText(std::uint8_t status) {
  std::string out;
  AppendStatus(out, status);
  return out;
}

std::optional<std::string> DecodeTransitionBlock(common::ByteView response) {
  if (!IsTransitionResponse(response)) return std::nullopt;
  const int count = response[8];
  const common::ByteView items = response.subspan(kHeaderLength, kItemSize * count);
  const std::size_t status_offset = kHeaderLength + items.size();

  std::string out;
  out.reserve(48 * (count + 2));
  out += kBlockHeader;
  AppendDec(out, response[7]);
  out += " polled at MC=0x";
  AppendHex2(out, response.subspan(status_offset + 1, 4));
  AppendStatus(out, response[status_offset]);
  out += kCrLf;
  if (count == 0) {
    out += "  No Items";
    out += kCrLf;
    return out;
  }
  for (int i = 0; i < count; ++i) {
    const common::ByteView item = items.subspan(kItemSize * i, kItemSize);
    out += "  Item #";
    AppendDec(out, i + 1);
    if (item[0] == kRollover) {
      out += ": MC Rollover";
    } else {
      out += ": Input #";
      AppendDec(out, item[0] & 0x7F);
      out += (item[0] & 0x80) ? " On at MC'=0x" : " Off at MC'=0x";
      AppendHex2(out, item.subspan(1, 2));
    }
    out += kCrLf;
  }
  return out;
}

}  // namespace tessera::logs
