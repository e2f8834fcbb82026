#include "tessera/core/identity.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(IdentityTest, FirmwareVersionText) {
  const std::tuple<std::uint8_t, std::uint8_t, const char*> cases[] = {
      {0x23, 0x14, "Firmware Version = 23, Firmware Revision = 1.4 "},
      {0x07, 0x00, "Firmware Version = 07, Firmware Revision = 0.0 "},    // both nibbles
      {0xA5, 0x0C, "Firmware Version = 105, Firmware Revision = 0.12 "},  // nibbles in decimal
  };
  for (const auto& [type, revision, text] : cases)
    EXPECT_EQ(FirmwareVersionText({.firmware_type = type, .firmware_revision = revision}), text);
}

}  // namespace
}  // namespace tessera
