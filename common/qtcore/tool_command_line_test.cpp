#include "common/qtcore/tool_command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::ReadBack;

struct Line {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ToolCommandLine line{"tool", "A test tool."};
  Line() {
    line.SetStreams(out, err);
    line.AddPtyOptions();
    line.AddValue({"address"}, "A", "unit address 0-15");
    line.AddValue({"code"}, "HEX", "a byte");
    line.AddValue({"mains"}, "V", "volts");
  }
  ~Line() {
    std::fclose(out);
    std::fclose(err);
  }
  // Parses `args` and reads every value as a tool does; the status to end with, if any.
  std::optional<int> Run(const QStringList& args) {
    if (const auto status = line.Parse(args)) return status;
    address = line.Whole("address", 0, 15);
    code = line.Whole("code", 0, 255, 16);
    mains = line.Real("mains", 0, 1000);
    LineSettings settings;
    settings.baud = 307200;
    pty = line.Pty(settings);
    return line.Finish();
  }
  std::optional<long long> address, code;
  std::optional<double> mains;
  PtyOptions pty;
};

TEST(ToolCommandLineTest, ReadsValuesWithinTheirRanges) {
  Line l;
  ASSERT_EQ(l.Run({"--port", "256", "--address", "15", "--code", "0x7f", "--mains", "118.5",
                   "--log", "/tmp/t.log", "--verbose", "--paced"}),
            std::nullopt);
  EXPECT_EQ(l.address, 15);
  EXPECT_EQ(l.code, 0x7F);
  EXPECT_EQ(l.mains, 118.5);
  EXPECT_EQ(l.pty.port_number, 256);
  EXPECT_EQ(l.pty.log_path, "/tmp/t.log");
  EXPECT_TRUE(l.pty.verbose);
  EXPECT_NEAR(l.pty.micros_per_byte, 10e6 / 307200, 1e-9);
  EXPECT_EQ(ReadBack(l.err), "");
}

TEST(ToolCommandLineTest, BadLinesEndWithStatus2AndSayWhy) {
  const struct {
    QStringList args;
    const char* problem;
  } cases[] = {
      {{}, "--port is required"},
      {{"--port", "0"}, "--port needs a number 1-256, not '0'"},
      {{"--port", "257"}, "--port needs a number 1-256, not '257'"},
      {{"--port", "7x"}, "--port needs a number 1-256, not '7x'"},
      {{"--port", "1", "--address", "16"}, "--address needs a number 0-15, not '16'"},
      {{"--port", "1", "--code", "100"}, "--code needs a hexadecimal number 00-FF, not '100'"},
      {{"--port", "1", "--mains", "nan"}, "--mains needs a number 0-1000, not 'nan'"},
      {{"--port", "1", "--log", ""}, "--log needs a value"},
      {{"--port", "1", "stray"}, "unexpected argument 'stray'"},
      {{"--port", "1", "--bogus"}, "Unknown option 'bogus'."},
      {{"--port"}, "Missing value after '--port'."},
  };
  for (const auto& c : cases) {
    Line l;
    EXPECT_EQ(l.Run(c.args), kUsageError) << c.problem;
    const std::string err = ReadBack(l.err);
    EXPECT_EQ(err.rfind(std::string("tool: ") + c.problem + "\n", 0), 0u) << err;
    EXPECT_NE(err.find("--port <N>"), std::string::npos) << "the help follows the problem";
    EXPECT_EQ(ReadBack(l.out), "");
  }
}

// Help and manual page go to standard output from the same options; --man is hidden.
TEST(ToolCommandLineTest, HelpAndManualPage) {
  Line help, man;
  EXPECT_EQ(help.Run({"--help"}), 0);
  const std::string text = ReadBack(help.out);
  EXPECT_NE(text.find("A test tool."), std::string::npos);
  EXPECT_NE(text.find("--port-dir <DIR>"), std::string::npos);
  EXPECT_EQ(text.find("--man"), std::string::npos);
  EXPECT_EQ(ReadBack(help.err), "");
  EXPECT_EQ(man.Run({"--man"}), 0);
  const std::string page = ReadBack(man.out);
  EXPECT_EQ(page.rfind(".TH TOOL 1 ", 0), 0u) << page;
  EXPECT_NE(page.find("serve the device as COM<N>, 1\\-256 (required)\n"), std::string::npos);
}

}  // namespace
}  // namespace common
