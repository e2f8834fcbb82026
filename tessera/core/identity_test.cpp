#include "tessera/core/identity.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(IdentityTest, FirmwareVersionText) {
  const struct {
    std::uint8_t type, revision;
    const char* text;
  } cases[] = {
      {0x23, 0x14, "Firmware Version = 23, Firmware Revision = 1.4 "},
      {0x07, 0x00, "Firmware Version = 07, Firmware Revision = 0.0 "},    // both nibbles
      {0xA5, 0x0C, "Firmware Version = 105, Firmware Revision = 0.12 "},  // nibbles in decimal
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirmwareVersionText({.firmware_type = c.type, .firmware_revision = c.revision}),
              c.text);
  }
}

}  // namespace
}  // namespace tessera
