#include "tessera/core/requests.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera {
namespace {

using common::testing::B;
using common::testing::H;

TEST(RequestsTest, WireBytes) {
  std::array<std::uint8_t, 17> outputs{};
  outputs[0] = 0x01;   // output 0
  outputs[6] = 0x40;   // output 54, "Active"
  outputs[16] = 0xAA;  // the last byte is never sent
  const std::pair<Bytes, const char*> cases[] = {
      {StatusRequest(), "31 00 CE"},
      {LineSyncErrorRequest(), "31 02 CC"},
      {IdentifyRequest(), "71 0D 00 00 81"},
      {InputRequest({}), "34 00 CB"},
      {InputRequest({.filtered = true, .output_front_panel = true}), "35 01 C9"},
      {InputRequest(
           {.output_front_panel = true, .transition_front_panel = true, .zcross_disabled = true}),
       "34 07 C4"},
      {OutputRequest({}), "37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8"},
      {OutputRequest(outputs), "37 01 00 00 00 00 00 40 00 00 00 00 00 00 00 00 00 87"},
  };
  for (const auto& [request, wire] : cases) EXPECT_EQ(H(request), wire);
}

TEST(RequestsTest, ResponseBytesTheLinkReads) {
  // Input response: InputData is bytes 1..12; the address is the high nibble of byte 8.
  const Bytes input = B("34 01 02 03 04 05 06 07 98 09 0A 0B 0C 00");
  const std::array<std::uint8_t, 12> data = InputDataOf(input);
  // 34 00 00 is too short: no address.
  EXPECT_EQ(std::tuple(H(data), UnitAddressOf(input), UnitAddressOf(B("34 00 00"))),
            std::tuple("01 02 03 04 05 06 07 98 09 0A 0B 0C", 9, 0));
  EXPECT_EQ(std::tuple(LineSyncErrorOf(B("31 02 00")), LineSyncErrorOf(B("31 FD")),
                       LineSyncErrorOf(B("31"))),
            std::tuple(true, false, false));
}

}  // namespace
}  // namespace tessera
