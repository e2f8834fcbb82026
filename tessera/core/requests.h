// The front-panel requests (input, status, output, identify), their response
// shapes and the few response bytes the link itself reads.
#pragma once

#include <array>
#include <cstdint>

#include "tessera/core/frame.h"

namespace tessera {

inline constexpr int kDefaultTimeoutMs = 500;

inline constexpr ResponseShape kInputResponse = ResponseShape::Fixed(14);
inline constexpr ResponseShape kStatusResponse = ResponseShape::Fixed(9);
inline constexpr ResponseShape kOutputResponse = ResponseShape::Fixed(3);
inline constexpr ResponseShape kIdentifyResponse = ResponseShape::Fixed(15);

// What the input request carries in its command and control byte.
struct InputControl {
  bool filtered = false;                // 0x35 instead of 0x34
  bool output_front_panel = false;      // control bit 0
  bool transition_front_panel = false;  // control bit 1
  bool zcross_disabled = false;         // control bit 2
};

std::uint8_t ControlByte(const InputControl& control);
// 34|35, control byte, checksum.
Bytes InputRequest(const InputControl& control);
// 31 00 CE.
Bytes StatusRequest();
// 31 02 CC, sent once after a status response that reports a line-sync error.
Bytes LineSyncErrorRequest();
// 37, output_data[0..15], checksum: 18 bytes. Missing bytes are sent as 0; bytes
// past 16 (OutputData(16)) are never sent.
Bytes OutputRequest(ByteView output_data);
// 71 0D 00 00 81.
Bytes IdentifyRequest();

// Bytes 1..12 of an input response (InputData); zeros where the response is short.
std::array<std::uint8_t, 12> InputDataOf(ByteView input_response);
// High nibble of input-response byte 8; 0 when the response is short.
int UnitAddressOf(ByteView input_response);
// Bit 1 of status-response byte 1.
bool LineSyncErrorOf(ByteView status_response);

}  // namespace tessera
