// tessera-cli events: the report on standard output, in process against the built-in
// unit and as a program against tbx-sim, where it must match the window's saved
// report of the same log byte for byte; clearing after the read; the failures.
#include <pty.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>

#include "tessera/cli/exit_status.h"
#include "tessera/testing/cli_harness.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/event_log_window.h"
#include "tessera/windows/log_view.h"

namespace tessera::cli {
namespace {

using panel::FeatureWindow;
using testing::CliRun;
using testing::PtyUnit;
using testing::RunInProcess;

constexpr char kDemoReport[] =
    "> Log Read (10 events) at MC=0x00012400\r\n"
    "Reboot, Main Init, MC=0x00000010\r\n"
    "FP Ctl: Outputs=SB#1, TBuffer=SB#1, MC=0x00000020\r\n"
    "Frame #5 Received, Param=0x12, MC=0x00000100\r\n"
    "Positive   Zero Cross, MC=0x00000180\r\n"
    "Start SCC, Address = 0x03, MC=0x00000200\r\n"
    "SB #1 Timeout, TBX Outputs Reset, Address = 0x03, MC=0x00001000\r\n"
    "DC Brownout Start, MC=0x00002000\r\n"
    "DC Brownout End, MC=0x00002010\r\n"
    "General_1: Param_ms=0x12, Param_ls=0x34, MC=0x00003000\r\n"
    "FP Ctl: Outputs=FP, TBuffer=FP, ZC Log Off, MC=0x00004000\r\n"
    "\r\n";

TEST(EventsCommandTest, TheBuiltInUnitsLogAndItsClearing) {
  const CliRun read = RunInProcess({"--sim", "events"});
  EXPECT_EQ(read.status, kExitOk) << read.err;
  EXPECT_EQ(read.out, kDemoReport);
  EXPECT_EQ(read.err, "");
  const CliRun cleared = RunInProcess({"--sim", "events", "--clear"});
  EXPECT_EQ(cleared.status, kExitOk);
  EXPECT_EQ(cleared.out, kDemoReport);  // the log as it was before the clear
  EXPECT_EQ(cleared.err, "Clear TBX Event Log: Event Log Cleared\n");
}

// On a terminal a bar says how many records are in (a full log takes minutes); the
// test above shows that a file gets nothing.
TEST(EventsCommandTest, OnATerminalABarCountsTheRecords) {
  int terminal = -1, line = -1;
  ASSERT_EQ(::openpty(&terminal, &line, nullptr, nullptr, nullptr), 0);
  std::FILE* out = std::tmpfile();
  std::FILE* err = ::fdopen(line, "w");
  EXPECT_EQ(RunTesseraCli({"--sim", "events"}, out, err), kExitOk);
  std::fclose(err);
  std::fclose(out);
  char shown[4096] = {};
  const ssize_t n = ::read(terminal, shown, sizeof shown - 1);
  ::close(terminal);
  EXPECT_NE(std::string(shown, std::max<ssize_t>(n, 0)).find("] 10/10 records"), std::string::npos)
      << shown;
}

TEST(EventsCommandTest, OptionsOfTheOtherCommandAreRefusedBeforeThePortOpens) {
  const std::pair<QStringList, const char*> cases[] = {
      {{"--sim", "events", "--count", "2"}, "--count belongs to transitions"},
      {{"--sim", "events", "--all"}, "--all belongs to transitions"},
      {{"--sim", "transitions"}, "transitions needs either --count K or --all"},
      {{"--sim", "transitions", "--all", "--count", "2"},
       "transitions needs either --count K or --all"},
      {{"--sim", "transitions", "--count", "0"}, "--count needs a number 1-255, not '0'"},
      {{"--sim", "transitions", "--count", "256"}, "--count needs a number 1-255, not '256'"},
      {{"--sim", "transitions", "--all", "--clear"}, "--clear belongs to events"},
      // A port that is not there is never opened for a bad line.
      {{"--port", "250", "transitions"}, "transitions needs either --count K or --all"},
  };
  for (const auto& [arguments, problem] : cases) {
    const CliRun run = RunInProcess(arguments);
    EXPECT_EQ(run.status, kExitUsage) << problem;
    EXPECT_EQ(run.err.rfind(std::string("tessera-cli: ") + problem + "\n", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  const CliRun help = RunInProcess({"--help"});
  for (const char* text : {"events [--clear]", "transitions --count K | --all", "--count <K>",
                           "--all", "--clear", "10 standard output could not be written"}) {
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  }
}

// The window over the same simulated log, in process: its saved report is what the
// program must write.
class EventsAgainstTheWindowTest : public panel::testing::WindowTest {
 protected:
  std::string WindowReport(std::size_t records) {
    device_.EventLog().records = sim::GeneratedEventRecords(records);
    auto* window = Open<logs::EventLogWindow>(FeatureWindow::kEventLog);
    Click(window, "cmdGetLog");
    Tick();
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->View()->CatchingUp(); }, 5000));
    const QString path = dir_.filePath("events.txt");
    prompts_.QueueFile(path);
    Click(window, "cmdSave");
    return testing::FileContents(path);
  }
  QTemporaryDir dir_;
};

TEST_F(EventsAgainstTheWindowTest, OverAPortTheOutputIsTheWindowsReport) {
  PtyUnit unit({"--event-records", "300", "--no-animation"});
  ASSERT_TRUE(unit.Ready());
  const CliRun run = unit.Run({"events"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(run.out.starts_with("> Log Read (300 events) at MC=0x00012400\r\n"));
  const std::string report = WindowReport(300);
  EXPECT_EQ(run.out.size(), report.size());
  EXPECT_TRUE(run.out == report);  // byte for byte (not printed: 300 lines)
}

TEST(EventsCommandTest, OverAPortClearComesAfterTheLogIsOut) {
  PtyUnit unit({"--event-records", "3"});
  ASSERT_TRUE(unit.Ready());
  const CliRun first = unit.Run({"events", "--clear"});
  EXPECT_EQ(first.status, kExitOk) << first.err;
  EXPECT_TRUE(first.out.starts_with("> Log Read (3 events) at MC=0x00012400\r\n"));
  const CliRun after = unit.Run({"events"});
  EXPECT_EQ(after.out,
            "> Log Read (1 events) at MC=0x00012400\r\n"
            "Event Log Cleared, MC=0x00012400\r\n\r\n");
}

TEST(EventsCommandTest, FailuresGoToStandardErrorWithNothingOnStandardOutput) {
  const struct {
    QStringList sim_options;
    int status;
    const char* err;
  } cases[] = {
      {{"--event-records", "32768"}, kExitBadAnswer, "Communications Error: Rx Count Error\n"},
      {{"--corrupt-every", "1"}, kExitNoAnswer, "Communications Error: Checksum Error\n"},
  };
  for (const auto& c : cases) {
    PtyUnit unit(c.sim_options);
    ASSERT_TRUE(unit.Ready());
    const CliRun run = unit.Run({"events", "--clear"});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
  }
  // The read answered, the clear not: the log is out, the unit still holds it.
  PtyUnit unit({"--drop-every", "2", "--event-records", "2"});
  ASSERT_TRUE(unit.Ready());
  const CliRun run = unit.Run({"events", "--clear"});
  EXPECT_EQ(run.status, kExitNoAnswer);
  EXPECT_TRUE(run.out.starts_with("> Log Read (2 events) at MC=0x00012400\r\n"));
  EXPECT_EQ(run.err, "Communications Error: Rx Timeout Error\n");
}

}  // namespace
}  // namespace tessera::cli
