#include "common/core/line_settings.h"

#include <gtest/gtest.h>

namespace common {
namespace {

TEST(LineSettingsTest, ParsesTheProgramsSettingsAndRejectsNonsense) {
  const struct {
    const char* text;
    int baud;
    char parity;
    int bits_per_byte;
  } good[] = {{"19200,E,8,1", 19200, 'E', 11},
              {"307200,n,8,1", 307200, 'N', 10},
              {" 9600 , o , 7 , 2 ", 9600, 'O', 11}};
  for (const auto& c : good) {
    const auto parsed = LineSettings::Parse(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(parsed->baud, c.baud);
    EXPECT_EQ(parsed->parity, c.parity);
    EXPECT_EQ(parsed->BitsPerByte(), c.bits_per_byte);
  }
  for (const char* bad :
       {"", "19200,E,8", "fast,E,8,1", "0,E,8,1", "19200,X,8,1", "19200,E,9,1", "19200,E,8,3",
        "19200,EE,8,1", "19200,E,8,1,", "19200,E,,1", "99999999999,E,8,1"}) {
    EXPECT_FALSE(LineSettings::Parse(bad).has_value()) << bad;
  }
  // 19200 8E1 carries 1745 bytes/s; 307200 8N1 carries 30720 bytes/s.
  EXPECT_NEAR(1e6 / LineSettings::Parse("19200,E,8,1")->MicrosPerByte(), 1745.45, 0.01);
  EXPECT_NEAR(1e6 / LineSettings::Parse("307200,n,8,1")->MicrosPerByte(), 30720.0, 0.01);
}

}  // namespace
}  // namespace common
