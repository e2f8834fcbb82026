#include "tessera/link/identity.h"

#include <gtest/gtest.h>

#include "tessera/link/command_line.h"

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
    UnitIdentity id;
    id.FirmwareType = c.type;
    id.FirmwareRevision = c.revision;
    EXPECT_EQ(FirmwareVersionText(id), c.text);
  }
}

TEST(CommandLineTest, Switches) {
  const struct {
    const char* text;
    int port;
    bool kal;
  } cases[] = {
      {"", 1, false},
      {"/comm=3 /kal", 3, true},
      {"/kal /comm=12", 12, true},
      {"/comm=3 /KAL", 3, false},  // case-sensitive
      {"/comm=", 0, false},        // no digits: port 0, which will not open
      {"/comm=x5", 0, false},
      {"/comm=7abc", 7, false},                           // leading digits only
      {"foo/kalbar/comm=2", 2, true},                     // anywhere in the text
      {"/comm=99999999999999999999", 2147483647, false},  // saturates, no overflow
  };
  for (const auto& c : cases) {
    const CommandLine line = ParseCommandLine(c.text);
    EXPECT_EQ(line.port_number, c.port) << c.text;
    EXPECT_EQ(line.kal, c.kal) << c.text;
  }
}

}  // namespace
}  // namespace tessera
