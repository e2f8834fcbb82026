#include "common/core/program_help.h"

#include <gtest/gtest.h>

#include "common/core/reading_format.h"
#include "common/testing/time_zone.h"

namespace common {
namespace {

ProgramHelp Sample() {
  ProgramHelp help;
  help.name = "tool-x";
  help.summary = "does one thing";
  help.synopsis = "[options] command";
  help.description = "First line.\n  indented -x\n\nSecond paragraph.\n.dot line";
  help.options = {{"--port", "N", "the port"}, {"--sim", "", "no port"}};
  help.sections = {{"Exit status", "0 done; 2 bad line"}};
  return help;
}

TEST(ProgramHelpTest, HelpTextListsUsageOptionsAndSections) {
  EXPECT_EQ(HelpText(Sample()),
            "Usage: tool-x [options] command\n"
            "First line.\n  indented -x\n\nSecond paragraph.\n.dot line\n"
            "\nOptions:\n"
            "  --port <N>  the port\n"
            "  --sim       no port\n"
            "\nExit status:\n0 done; 2 bad line\n");
}

TEST(ProgramHelpTest, ManPageIsRoffWithEscapedText) {
  EXPECT_EQ(ManPage(Sample(), "1.2.3"),
            ".TH TOOL-X 1 \"\" \"cabinet-tools 1.2.3\" \"User Commands\"\n"
            ".SH NAME\ntool\\-x \\- does one thing\n"
            ".SH SYNOPSIS\n.B tool\\-x\n[options] command\n"
            ".SH DESCRIPTION\nFirst line.\n.br\n  indented \\-x\n.PP\nSecond paragraph.\n"
            ".br\n\\&.dot line\n"
            ".SH OPTIONS\n.TP\n.BI \"\\-\\-port \" N\nthe port\n.TP\n.B \\-\\-sim\nno port\n"
            ".SH EXIT STATUS\n0 done; 2 bad line\n");
}

TEST(ProgramHelpTest, InfoSwitchesAnswerAndEverythingElseGoesOn) {
  std::FILE* out = std::tmpfile();
  EXPECT_EQ(AnswerInfoSwitches({"/comm=3", "--version"}, Sample(), "1.2.3", out), 0);
  EXPECT_EQ(AnswerInfoSwitches({"/comm=3", "/kal"}, Sample(), "1.2.3", out), std::nullopt);
  std::fflush(out);
  std::rewind(out);
  char line[64] = {};
  std::fgets(line, sizeof line, out);
  std::fclose(out);
  EXPECT_STREQ(line, "tool-x 1.2.3\n");
}

Reading SampleReading() {
  Reading r;
  r.Number("mains_vrms", "Mains", "Vrms", 1203, 1)
      .Number("temperature_degf", "Temperature", "oF", -5)
      .Number("small", "Small", "", -7, 2)
      .Number("count", "Count", "", 255, 0, "255>")
      .Flag("low", "24VDC Low", true)
      .Text("id", "Device ID", "A \"b\",\tc\\");
  return r;
}

TEST(ReadingFormatTest, TheThreeFormatsOfOneReading) {
  const Reading r = SampleReading();
  EXPECT_EQ(CsvHeader(r), "mains_vrms,temperature_degf,small,count,low,id\n");
  EXPECT_EQ(CsvRow(r), "120.3,-5,-0.07,255,1,\"A \"\"b\"\",\tc\\\"\n");
  EXPECT_EQ(JsonObject(r),
            "{\"mains_vrms\":120.3,\"temperature_degf\":-5,\"small\":-0.07,\"count\":255,"
            "\"low\":true,\"id\":\"A \\\"b\\\",\\u0009c\\\\\"}\n");
  EXPECT_EQ(TextBlock(r),
            "Mains        120.3 Vrms\n"
            "Temperature     -5 oF\n"
            "Small        -0.07\n"
            "Count         255>\n"
            "24VDC Low      yes\n"
            "Device ID    A \"b\",\tc\\\n");
  EXPECT_EQ(TextHeader(r).size(), TextRow(r).size());
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
