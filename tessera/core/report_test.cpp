#include "tessera/core/report.h"

#include <gtest/gtest.h>

namespace tessera::logs {
namespace {

TEST(ReportTest, FileContentIsTheTextAndCrLf) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", "\r\n"},
      {"A\r\nB\r\n", "A\r\nB\r\n\r\n"},
      {"no break", "no break\r\n"},
      // A text box that hands its lines back with bare LF or CR still saves CR LF.
      {"A\nB\n", "A\r\nB\r\n\r\n"},
      {"A\rB", "A\r\nB\r\n"},
      {"A\n\r\nB", "A\r\n\r\nB\r\n"},
      {"\r\n\r\n", "\r\n\r\n\r\n"},
  };
  for (const auto& [shown, file] : cases) EXPECT_EQ(ReportFileContent(shown), file) << shown;
}

TEST(ReportTest, CaptionAfterSave) {
  EXPECT_EQ(SavedCaption(kEventLogReport, "/a.txt") + SavedCaption(kTransitionReport, "C:\\b"),
            "Diagnostic Event Log (/a.txt)Transition Buffer Log (C:\\b)");
}

}  // namespace
}  // namespace tessera::logs
