#include "tessera/core/report.h"

#include <gtest/gtest.h>

namespace tessera::logs {
namespace {

TEST(ReportTest, FileContentIsTheTextAndCrLf) {
  const struct {
    std::string_view shown;
    std::string_view file;
  } cases[] = {
      {"", "\r\n"},
      {"A\r\nB\r\n", "A\r\nB\r\n\r\n"},
      {"no break", "no break\r\n"},
      // A text box that hands its lines back with bare LF or CR still saves CR LF.
      {"A\nB\n", "A\r\nB\r\n\r\n"},
      {"A\rB", "A\r\nB\r\n"},
      {"A\n\r\nB", "A\r\n\r\nB\r\n"},
      {"\r\n\r\n", "\r\n\r\n\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReportFileContent(c.shown), c.file) << c.shown;
}

TEST(ReportTest, CaptionAfterSave) {
  EXPECT_EQ(SavedCaption(kEventLogReport, "/home/tech/a.txt"),
            "Diagnostic Event Log (/home/tech/a.txt)");
  EXPECT_EQ(SavedCaption(kTransitionReport, "C:\\logs\\blocks"),
            "Transition Buffer Log (C:\\logs\\blocks)");
}

}  // namespace
}  // namespace tessera::logs
