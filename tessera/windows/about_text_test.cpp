#include "tessera/windows/about_text.h"

#include <gtest/gtest.h>

namespace tessera::panel {
namespace {

constexpr char kHead[] = "Tessera Version 1.0\r\nITS Cabinet Standard v01.02.17b\r\n";

TEST(AboutText, ProgramVersionThenTheUnitsOnceItIdentified) {
  const UnitIdentity known{.firmware_type = 0x23};  // never identified as extended
  const UnitIdentity unit{.extended_unit = true,
                          .comm_version = 0x21,
                          .firmware_type = 0x07,
                          .firmware_revision = 0x14};
  const UnitIdentity odd{.extended_unit = true,
                         .comm_version = 0x1C,
                         .firmware_type = 0xAB,
                         .firmware_revision = 0xF0};
  EXPECT_EQ(AboutText({1, 0, 0}, known), kHead);
  EXPECT_TRUE(AboutText({2, 5, 3}, {}).startsWith("Tessera Version 2.5.3\r\n"));
  EXPECT_EQ(AboutText({1, 0, 0}, unit),
            QString(kHead) +
                "\r\nTBX Firmware Version = 07\r\n"
                "TBX Firmware Revision = 1.4\r\nTBX Comm Version = 2.1");
  // Nibbles are written in decimal.
  EXPECT_TRUE(
      AboutText({1, 0, 0}, odd)
          .endsWith("Version = 1011\r\nTBX Firmware Revision = 15.0\r\nTBX Comm Version = 1.12"));
}

}  // namespace
}  // namespace tessera::panel
