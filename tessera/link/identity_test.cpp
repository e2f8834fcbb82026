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
      {0x07, 0x00, "Firmware Version = 07, Firmware Revision = 0.0 "},  // both nibbles
      {0x10, 0x41, "Firmware Version = 10, Firmware Revision = 4.1 "},
      {0xA5, 0x0C, "Firmware Version = 105, Firmware Revision = 0.12 "},  // nibbles in decimal
  };
  for (const auto& c : cases) {
    UnitIdentity id;
    id.FirmwareType = c.type;
    id.FirmwareRevision = c.revision;
    EXPECT_EQ(FirmwareVersionText(id), c.text);
  }
}

TEST(IdentityTest, TakeFirmwareVersionFromBytes3To5) {
  UnitIdentity id;
  const Frame response = {0x71, 0x0D, 0x00, 0x21, 0x23, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0x27};
  ASSERT_TRUE(TakeFirmwareVersion(id, response));
  EXPECT_EQ(id.CommVersion, 0x21);
  EXPECT_EQ(id.FirmwareType, 0x23);
  EXPECT_EQ(id.FirmwareRevision, 0x14);

  const Frame short_response = {0x71, 0x0D, 0x00, 0x99, 0x99};
  EXPECT_FALSE(TakeFirmwareVersion(id, short_response));
  EXPECT_EQ(id.CommVersion, 0x21);
}

TEST(IdentityTest, MenuGatingByCommVersion) {
  const struct {
    std::uint8_t comm;
    bool kal_unit, kal_switch;
    bool complex, buffers;
    std::optional<bool> event_log;
    bool panel_text;
  } cases[] = {
      {0x10, true, false, false, true, false, true},
      {0x11, true, false, true, true, false, true},
      {0x20, true, false, true, true, false, true},
      {0x21, true, false, true, true, true, true},
      {0x21, false, true, true, true, true, true},  // "/kal" alone is enough
      // Neither: buffers off, panel 2 cleared, event log untouched, complex still by version.
      {0x21, false, false, true, false, std::nullopt, false},
      {0x10, false, false, false, false, std::nullopt, false},
  };
  for (const auto& c : cases) {
    UnitIdentity id;
    id.CommVersion = c.comm;
    id.KalUnit = c.kal_unit;
    id.KalSwitch = c.kal_switch;
    id.FirmwareType = 0x23;
    id.FirmwareRevision = 0x14;
    const FirmwareDisplay d = FirmwareVersionDisplay(id);
    SCOPED_TRACE(testing::Message() << "comm " << int(c.comm) << " unit " << c.kal_unit
                                    << " switch " << c.kal_switch);
    EXPECT_EQ(d.complex_outputs_enabled, c.complex);
    EXPECT_EQ(d.buffers_enabled, c.buffers);
    EXPECT_EQ(d.event_log_enabled, c.event_log);
    EXPECT_EQ(d.panel2_text, c.panel_text ? "Firmware Version = 23, Firmware Revision = 1.4 " : "");
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
      {"/comm=3 /KAL", 3, false},        // case-sensitive
      {"/COMM=3", 1, false},             // not the switch at all
      {"/comm=", 0, false},              // no digits: port 0, which will not open
      {"/comm=x5", 0, false},
      {"/comm=7abc", 7, false},          // leading digits only
      {"/comm=007", 7, false},
      {"foo/kalbar/comm=2", 2, true},    // anywhere in the text
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
