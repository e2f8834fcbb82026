#include "common/qtcore/tool_command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace common {
namespace {

// A scratch stream whose contents a test can read back.
class Capture {
 public:
  Capture() : file_(std::tmpfile()) {}
  ~Capture() { std::fclose(file_); }
  std::FILE* get() { return file_; }
  std::string Text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string out;
    for (int c; (c = std::fgetc(file_)) != EOF;) out += static_cast<char>(c);
    return out;
  }

 private:
  std::FILE* file_;
};

struct Line {
  Capture out, err;
  ToolCommandLine line{"tool", "A test tool."};
  Line() {
    line.SetStreams(out.get(), err.get());
    line.AddPtyOptions();
    line.AddValue({"address"}, "A", "unit address 0-15");
    line.AddValue({"code"}, "HEX", "a byte");
    line.AddValue({"mains"}, "V", "volts");
  }
};

TEST(ToolCommandLineTest, ReadsValuesWithinTheirRanges) {
  Line l;
  ASSERT_EQ(l.line.Parse({"--port", "256", "--address", "15", "--code", "0x7f", "--mains", "118.5",
                          "--log", "/tmp/t.log", "--verbose", "--paced"}),
            std::nullopt);
  EXPECT_EQ(l.line.Whole("address", 0, 15), 15);
  EXPECT_EQ(l.line.Whole("code", 0, 255, 16), 0x7F);
  EXPECT_EQ(l.line.Real("mains", 0, 1000), 118.5);
  LineSettings line;
  line.baud = 307200;
  const PtyOptions pty = l.line.Pty(line);
  EXPECT_EQ(pty.port_number, 256);
  EXPECT_EQ(pty.log_path, "/tmp/t.log");
  EXPECT_TRUE(pty.verbose);
  EXPECT_NEAR(pty.micros_per_byte, 10e6 / 307200, 1e-9);
  EXPECT_EQ(l.line.Finish(), std::nullopt);
  EXPECT_EQ(l.err.Text(), "");
}

TEST(ToolCommandLineTest, BadLinesEndWithStatus2AndSayWhy) {
  struct Case {
    QStringList args;
    const char* problem;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.problem);
    Line l;
    std::optional<int> status = l.line.Parse(c.args);
    if (!status) {
      l.line.Whole("address", 0, 15);
      l.line.Whole("code", 0, 255, 16);
      l.line.Real("mains", 0, 1000);
      l.line.Pty({});
      status = l.line.Finish();
    }
    EXPECT_EQ(status, kUsageError);
    const std::string err = l.err.Text();
    EXPECT_EQ(err.rfind(std::string("tool: ") + c.problem + "\n", 0), 0u) << err;
    EXPECT_NE(err.find("--port <N>"), std::string::npos) << "the help follows the problem";
    EXPECT_EQ(l.out.Text(), "");
  }
}

TEST(ToolCommandLineTest, HelpGoesToStandardOutputAndEndsWithStatus0) {
  Line l;
  EXPECT_EQ(l.line.Parse({"--help"}), 0);
  const std::string out = l.out.Text();
  EXPECT_NE(out.find("A test tool."), std::string::npos);
  EXPECT_NE(out.find("--port-dir <DIR>"), std::string::npos);
  EXPECT_EQ(l.err.Text(), "");
}

TEST(ToolCommandLineTest, TheManualPageComesFromTheSameOptionsAsTheHelp) {
  Line l;
  EXPECT_EQ(l.line.Parse({"--man"}), 0);
  const std::string man = l.out.Text();
  EXPECT_EQ(man.rfind(".TH TOOL 1 ", 0), 0u) << man;
  for (const char* part :
       {".SH NAME\ntool \\- A test tool\n", ".BI \"\\-\\-port \" N\n",
        "serve the device as COM<N>, 1\\-256 (required)\n", ".B \\-\\-paced\n"}) {
    EXPECT_NE(man.find(part), std::string::npos) << part;
  }
  Line h;
  h.line.Parse({"--help"});
  EXPECT_EQ(h.out.Text().find("--man"), std::string::npos) << "a hidden option";
}

}  // namespace
}  // namespace common
