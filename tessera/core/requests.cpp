#include "tessera/core/requests.h"

#include <algorithm>

namespace tessera {

std::uint8_t ControlByte(const InputControl& control) {
  return static_cast<std::uint8_t>((control.output_front_panel ? 0x01 : 0) |
                                   (control.transition_front_panel ? 0x02 : 0) |
                                   (control.zcross_disabled ? 0x04 : 0));
}

Bytes InputRequest(const InputControl& control) {
  const std::uint8_t data[] = {ControlByte(control)};
  return BuildFrame(control.filtered ? kCmdInputFiltered : kCmdInputRaw, data);
}

Bytes StatusRequest() {
  const std::uint8_t data[] = {0x00};
  return BuildFrame(kCmdStatus, data);
}

Bytes LineSyncErrorRequest() {
  const std::uint8_t data[] = {0x02};
  return BuildFrame(kCmdStatus, data);
}

Bytes OutputRequest(ByteView output_data) {
  std::array<std::uint8_t, 16> data{};
  std::copy_n(output_data.begin(), std::min<std::size_t>(output_data.size(), data.size()),
              data.begin());
  return BuildFrame(kCmdOutput, data);
}

Bytes IdentifyRequest() {
  const std::uint8_t data[] = {0x00};
  return BuildExtendedFrame(kCmdIdentify, data);
}

std::array<std::uint8_t, 12> InputDataOf(ByteView input_response) {
  std::array<std::uint8_t, 12> data{};
  for (std::size_t i = 0; i < data.size() && i + 1 < input_response.size(); ++i) {
    data[i] = input_response[i + 1];
  }
  return data;
}

int UnitAddressOf(ByteView input_response) {
  return input_response.size() > 8 ? (input_response[8] >> 4) & 0x0F : 0;
}

bool LineSyncErrorOf(ByteView status_response) {
  return status_response.size() > 1 && (status_response[1] & 0x02) != 0;
}

}  // namespace tessera
