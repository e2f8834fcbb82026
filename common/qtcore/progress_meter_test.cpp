#include "common/qtcore/progress_meter.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>

#include "common/testing/test_support.h"

namespace common {
namespace {

// Narrow terminals: the rate gives way first, then the time left and the bar.
TEST(ProgressMeterTest, BarShowsCountRateAndTimeLeft) {
  const struct {
    int done;
    double seconds;
    int width;
    const char* text;
  } cases[] = {
      {1024, 8.0, 80,
       "[#######                       ] 1024/4096 records  128 records/s  0:24 left"},
      {0, 0.0, 80, "[                              ] 0/4096 records"},
      {5000, 10.0, 80,
       "[##############################] 4096/4096 records  410 records/s  0:00 left"},
      {1024, 8.0, 50, "[####              ] 1024/4096 records  0:24 left"},
      {1024, 8.0, 20, "1024/4096 records"},
      {1024, 8.0, 10, "1024/4096"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressMeter::BarText("records", c.done, 4096, c.seconds, c.width), c.text);
  }
}

TEST(ProgressMeterTest, WithoutATerminalOneLineForEachTenth) {
  std::FILE* out = std::tmpfile();
  {
    ProgressMeter meter("records", 20, out, false);
    for (int done = 0; done <= 20; ++done) meter.Update(done);
  }
  const std::string text = testing::ReadBack(out);
  std::fclose(out);
  EXPECT_EQ(text.substr(0, 36), "0/20 records (0 %)\n2/20 records (10 ");
  EXPECT_NE(text.find("20/20 records (100 %)\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
}

// On a 50-column terminal the bar is redrawn in place and never reaches the last
// column, so no update wraps onto a new line.
TEST(ProgressMeterTest, OnATerminalTheBarIsRedrawnInPlaceWithinItsWidth) {
  int master = -1, slave = -1;
  winsize size{.ws_row = 24, .ws_col = 50, .ws_xpixel = 0, .ws_ypixel = 0};
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
  std::FILE* out = ::fdopen(slave, "w");
  {
    ProgressMeter meter("records", 4096, out);
    for (int done = 1024; done <= 4096; done += 1024) meter.Update(done);
  }
  std::fclose(out);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  ::close(master);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);  // one line, ended at the end
  QStringList draws = QString::fromStdString(text).remove("\033[K").split('\r');
  draws.removeAll("");
  draws.removeAll("\n");
  ASSERT_EQ(draws.size(), 4);
  for (const QString& draw : draws) EXPECT_LT(draw.size(), 50) << draw.toStdString();
  EXPECT_TRUE(draws[0].startsWith("[####              ] 1024/4096 records"));
}

}  // namespace
}  // namespace common
