#include "common/qtcore/tool_command_line.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>

#include "common/qtcore/progress_meter.h"
#include "common/qtcore/terminal_prompts.h"
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
  EXPECT_EQ(
      std::tuple(*l.address, *l.code, *l.mains, l.pty.port_number, l.pty.log_path, l.pty.verbose),
      std::tuple(15LL, 0x7FLL, 118.5, 256, std::string("/tmp/t.log"), true));
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

// Narrow terminals: the rate gives way first, then the time left and the bar.
TEST(ProgressMeterTest, BarShowsCountRateAndTimeLeft) {
  // Records done, seconds taken, terminal width; the bar.
  const std::tuple<int, double, int, const char*> cases[] = {
      {1024, 8.0, 80,
       "[#######                       ] 1024/4096 records  128 records/s  0:24 left"},
      {0, 0.0, 80, "[                              ] 0/4096 records"},
      {5000, 10.0, 80,
       "[##############################] 4096/4096 records  410 records/s  0:00 left"},
      {1024, 8.0, 50, "[####              ] 1024/4096 records  0:24 left"},
      {1024, 8.0, 20, "1024/4096 records"},
      {1024, 8.0, 10, "1024/4096"},
  };
  for (const auto& [done, seconds, width, text] : cases)
    EXPECT_EQ(ProgressMeter::BarText("records", done, 4096, seconds, width), text);
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

Message Question(Buttons buttons, const char* text = "Q", const char* title = "T") {
  return {.title = title, .text = text, .buttons = buttons, .icon = {}, .detail = {}};
}

struct Rig {
  explicit Rig(TerminalPrompts::Options options, const char* typed = "") {
    std::fputs(typed, in);
    std::rewind(in);
    options.in = in;
    options.err = err;
    prompts.emplace(options);
  }
  ~Rig() {
    std::fclose(in);
    std::fclose(err);
  }
  std::FILE* in = std::tmpfile();
  std::FILE* err = std::tmpfile();
  std::optional<TerminalPrompts> prompts;
};

// A message's lines come out as lines (the box's detail: the tools' own runs).
TEST(TerminalPromptsTest, MessagesGoToStandardErrorLineByLine) {
  Rig rig({});
  EXPECT_EQ(rig.prompts->Show(Question(Buttons::kOk, "Line 1\r\nLine 2", "")), Answer::kOk);
  EXPECT_EQ(ReadBack(rig.err), "Line 1\nLine 2\n");
  EXPECT_FALSE(rig.prompts->Refused());
}

// Without a terminal a question gets its cautious answer (refused), with --yes a
// confirmation but never a blind retry, on a terminal what the technician types.
TEST(TerminalPromptsTest, QuestionsAnswered) {
  using enum Answer;
  // The buttons, the answer without a terminal, the answer with --yes.
  const std::tuple<Buttons, Answer, Answer> untyped[] = {
      {Buttons::kYesNo, kNo, kYes},
      {Buttons::kYesNoCancel, kCancel, kYes},
      {Buttons::kOkCancel, kCancel, kOk},
      {Buttons::kRetryCancel, kCancel, kCancel},
      {Buttons::kAbortRetryIgnore, kAbort, kAbort},
  };
  for (const auto& [buttons, refused, assumed] : untyped) {
    Rig without({}), with_yes({.assume_yes = true});
    EXPECT_EQ(without.prompts->Show(Question(buttons)), refused);
    EXPECT_TRUE(without.prompts->Refused());
    EXPECT_EQ(with_yes.prompts->Show(Question(buttons)), assumed);
  }
  // Typed; a stray key asks again, and input that ends gets the cautious answer.
  const std::tuple<Buttons, const char*, Answer> typed[] = {
      {Buttons::kYesNo, "y\n", kYes},
      {Buttons::kYesNo, "No\n", kNo},
      {Buttons::kRetryCancel, "x\nr\n", kRetry},
      {Buttons::kAbortRetryIgnore, "i\n", kIgnore},
      {Buttons::kYesNo, "", kNo},
  };
  for (const auto& [buttons, keys, answer] : typed) {
    Rig rig({.interactive = true}, keys);
    EXPECT_EQ(rig.prompts->Show(Question(buttons)), answer) << keys;
  }
  Rig rig({.interactive = true}, "n\n");
  rig.prompts->Show(Question(Buttons::kYesNo));
  EXPECT_EQ(ReadBack(rig.err), "T: Q\n[y]es/[n]o? ");
}

}  // namespace
}  // namespace common
