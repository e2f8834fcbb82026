#include "common/core/reading_format.h"

#include <gtest/gtest.h>

#include "common/testing/time_zone.h"

namespace common {
namespace {

Reading Sample() {
  Reading r;
  r.Number("mains_vrms", "Mains", "Vrms", 1203, 1)
      .Number("temperature_degf", "Temperature", "oF", -5)
      .Number("small", "Small", "", -7, 2)
      .Number("count", "Count", "", 255, 0, "255>")
      .Flag("low", "24VDC Low", true)
      .Text("id", "Device ID", "A \"b\",\tc");
  return r;
}

TEST(ReadingFormatTest, TheThreeFormatsOfOneReading) {
  const Reading r = Sample();
  EXPECT_EQ(CsvHeader(r), "mains_vrms,temperature_degf,small,count,low,id\n");
  EXPECT_EQ(CsvRow(r), "120.3,-5,-0.07,255,1,\"A \"\"b\"\",\tc\"\n");
  EXPECT_EQ(JsonObject(r),
            "{\"mains_vrms\":120.3,\"temperature_degf\":-5,\"small\":-0.07,\"count\":255,"
            "\"low\":true,\"id\":\"A \\\"b\\\",\\u0009c\"}\n");
  EXPECT_EQ(TextBlock(r),
            "Mains        120.3 Vrms\n"
            "Temperature     -5 oF\n"
            "Small        -0.07\n"
            "Count         255>\n"
            "24VDC Low      yes\n"
            "Device ID    A \"b\",\tc\n");
  EXPECT_EQ(TextHeader(r).size(), TextRow(r).size());
}

TEST(ReadingFormatTest, FormatNames) {
  EXPECT_EQ(ParseReadingFormat("json"), ReadingFormat::kJson);
  EXPECT_EQ(ParseReadingFormat("text"), ReadingFormat::kText);
  EXPECT_EQ(ParseReadingFormat("CSV"), std::nullopt);
}

TEST(ReadingFormatTest, LocalTimeWithItsOffset) {
  const auto time =
      std::chrono::system_clock::from_time_t(1781000000) + std::chrono::milliseconds(7);
  for (const auto& [tz, text] : {std::pair{"UTC0", "2026-06-09T10:13:20.007+00:00"},
                                 std::pair{"XST-5:30", "2026-06-09T15:43:20.007+05:30"},
                                 std::pair{"YST3", "2026-06-09T07:13:20.007-03:00"}}) {
    const testing::TimeZoneScope scope(tz);
    EXPECT_EQ(IsoLocalTime(time), text) << tz;
  }
}

}  // namespace
}  // namespace common
