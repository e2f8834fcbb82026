#include "common/core/program_help.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace common
