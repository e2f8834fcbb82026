#include "tessera/core/frame.h"

namespace tessera {

std::uint8_t ByteSum(ByteView bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>(sum & 0xFF);
}

std::uint8_t Checksum(ByteView bytes) { return static_cast<std::uint8_t>(0xFF - ByteSum(bytes)); }

Bytes BuildFrame(std::uint8_t command, ByteView data) {
  Bytes frame;
  frame.reserve(data.size() + 2);
  frame.push_back(command);
  frame.insert(frame.end(), data.begin(), data.end());
  frame.push_back(Checksum(frame));
  return frame;
}

Bytes BuildExtendedFrame(std::uint8_t command, ByteView data) {
  Bytes body;
  body.reserve(data.size() + 2);
  body.push_back(kExtendedMarker & 0xFF);
  body.push_back(kExtendedMarker >> 8);
  body.insert(body.end(), data.begin(), data.end());
  return BuildFrame(command, body);
}

bool IsValidFrame(ByteView frame) { return !frame.empty() && ByteSum(frame) == 0xFF; }

bool IsExtendedCommand(std::uint8_t command) {
  switch (command) {
    case kCmdIdentify:
    case kCmdSendFilters:
    case kCmdPollTransition:
    case kCmdSendTracking:
    case kCmdSendComplex:
    case kCmdGetFilters:
    case kCmdClearEvents:
    case kCmdReadEvents:
      return true;
    default:
      return false;
  }
}

bool HasExtendedMarker(ByteView response) {
  return response.size() >= 3 && (response[1] | (response[2] << 8)) == kExtendedMarker;
}

int ResponseShape::ItemCount(ByteView header) const {
  if (count < 1 || header.size() < static_cast<std::size_t>(count)) return 0;
  int n = header[count - 1];
  // Wide counts are the last two header bytes, low byte first.
  if (wide_length && count >= 2) n = header[count - 2] | (header[count - 1] << 8);
  return n;
}

int ResponseShape::BodyLength(ByteView header) const {
  return item_size * ItemCount(header) + extra + 1;
}

}  // namespace tessera
