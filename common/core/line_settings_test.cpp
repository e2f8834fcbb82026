#include "common/core/line_settings.h"

#include <gtest/gtest.h>

namespace common {
namespace {

struct ParseCase {
  const char* text;
  bool valid;
  int baud;
  char parity;
  int bits_per_byte;
};

TEST(LineSettingsTest, ParsesTheProgramsSettingsAndRejectsNonsense) {
  const ParseCase cases[] = {
      {"19200,E,8,1", true, 19200, 'E', 11},
      {"307200,n,8,1", true, 307200, 'N', 10},
      {"9600,e,8,1", true, 9600, 'E', 11},
      {" 9600 , o , 7 , 2 ", true, 9600, 'O', 11},
      {"", false, 0, 0, 0},
      {"19200,E,8", false, 0, 0, 0},
      {"fast,E,8,1", false, 0, 0, 0},
      {"0,E,8,1", false, 0, 0, 0},
      {"19200,X,8,1", false, 0, 0, 0},
      {"19200,E,9,1", false, 0, 0, 0},
      {"19200,E,8,3", false, 0, 0, 0},
      {"19200,EE,8,1", false, 0, 0, 0},
      {"19200,E,8,1,", false, 0, 0, 0},
      {"19200,E,,1", false, 0, 0, 0},
      {"99999999999,E,8,1", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = LineSettings::Parse(c.text);
    ASSERT_EQ(parsed.has_value(), c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(parsed->baud, c.baud);
    EXPECT_EQ(parsed->parity, c.parity);
    EXPECT_EQ(parsed->BitsPerByte(), c.bits_per_byte);
  }
}

TEST(LineSettingsTest, ByteTimeMatchesTheWireRates) {
  // 19200 8E1 carries 1745 bytes/s; 307200 8N1 carries 30720 bytes/s.
  EXPECT_NEAR(1e6 / LineSettings::Parse("19200,E,8,1")->MicrosPerByte(), 1745.45, 0.01);
  EXPECT_NEAR(1e6 / LineSettings::Parse("307200,n,8,1")->MicrosPerByte(), 30720.0, 0.01);
}

}  // namespace
}  // namespace common
