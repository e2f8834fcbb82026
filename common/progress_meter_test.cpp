#include "common/progress_meter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::ReadBack;

TEST(ProgressMeterTest, BarShowsCountRateAndTimeLeft) {
  EXPECT_EQ(ProgressMeter::BarText("records", 1024, 4096, 8.0),
            "[#######                       ] 1024/4096 records  128 records/s  0:24 left");
  EXPECT_EQ(ProgressMeter::BarText("records", 0, 4096, 0.0),
            "[                              ] 0/4096 records");
  EXPECT_EQ(ProgressMeter::BarText("records", 5000, 4096, 10.0).substr(0, 42),
            "[##############################] 4096/4096");
}

TEST(ProgressMeterTest, WithoutATerminalOneLineForEachTenth) {
  std::FILE* out = std::tmpfile();
  {
    ProgressMeter meter("records", 20, out, false);
    for (int done = 0; done <= 20; ++done) meter.Update(done);
  }
  const std::string text = ReadBack(out);
  std::fclose(out);
  EXPECT_EQ(text.substr(0, 36), "0/20 records (0 %)\n2/20 records (10 ");
  EXPECT_NE(text.find("20/20 records (100 %)\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(ProgressMeterTest, OnATerminalTheBarIsRedrawnInPlace) {
  std::FILE* out = std::tmpfile();
  {
    ProgressMeter meter("records", 4, out, true);
    for (int done = 1; done <= 4; ++done) meter.Update(done);
  }
  const std::string text = ReadBack(out);
  std::fclose(out);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 4);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);  // one line, ended at the end
}

}  // namespace
}  // namespace common
