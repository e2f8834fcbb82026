// tessera-cli events and transitions: the reports on standard output, in process
// against the built-in unit and as a program against tbx-sim, where they must match
// the window's saved report byte for byte; clearing after the read; the 255-block
// limit; the failures of both.
#include <QTemporaryDir>

#include "tessera/cli/exit_status.h"
#include "tessera/testing/cli_harness.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/event_log_window.h"
#include "tessera/windows/transition_window.h"

namespace tessera::cli {
namespace {

using panel::FeatureWindow;
using testing::CliRun;
using testing::PtyUnit;

// The window over the same simulated log, in process: its saved report is what the
// program must write, byte for byte.
class LogsAgainstTheWindowTest : public panel::testing::WindowTest {};

TEST_F(LogsAgainstTheWindowTest, OverAPortEventsIsTheWindowsReport) {
  PtyUnit unit({"--event-records", "300", "--no-animation"});
  const CliRun run = unit.Run({"events"});
  EXPECT_EQ(std::tuple(run.status, run.err, run.out.substr(0, 42)),
            std::tuple(kExitOk, "", "> Log Read (300 events) at MC=0x00012400\r\n"));
  device_->EventLog().records = sim::GeneratedEventRecords(300);
  auto* window = Open<logs::EventLogWindow>(FeatureWindow::kEventLog);
  Read(window, "cmdGetLog");
  QTemporaryDir dir;
  prompts_.QueueFile(dir.filePath("events.txt"));
  Click(window, "cmdSave");
  const std::string report = Contents(dir.filePath("events.txt")).toStdString();
  EXPECT_TRUE(run.out == report);  // not printed: 300 lines
}

qsizetype Blocks(const std::string& report) {
  return QString::fromStdString(report).count("Block #");
}

TEST_F(LogsAgainstTheWindowTest, OverAPortTransitionsIsTheWindowsReport) {
  // The simulated units on both sides start with the same 45 transitions, 20 a block.
  auto* window = Open<logs::TransitionWindow>(FeatureWindow::kTransitionBuffer);
  for (int i = 0; i < 3; ++i) Read(window, "cmdGetBlock");
  QTemporaryDir dir;
  prompts_.QueueFile(dir.filePath("blocks.txt"));
  Click(window, "cmdSave");
  const std::string report = Contents(dir.filePath("blocks.txt")).toStdString();
  EXPECT_EQ(Blocks(report), 3);
  for (const QStringList& how : {QStringList{"--count", "3"}, QStringList{"--all"}}) {
    PtyUnit unit({"--no-animation"});
    const CliRun run = unit.Run(QStringList{"transitions"} + how);
    EXPECT_EQ(std::pair(run.status, run.out), std::pair(kExitOk, report)) << run.err;
  }
}

// Each failure goes to standard error; what was read before it stays on standard output.
// The log as it was before a clear is written; --all stops after block 255.
TEST(EventsCommandTest, ClearingAndFailuresEndWithTheirStatus) {
  // The unit's options, the command; exit status, how standard output starts, standard error.
  const std::tuple<QStringList, QStringList, int, const char*, const char*> cases[] = {
      // clang-format off
      {{"--event-records", "3"}, {"events", "--clear"}, kExitOk,
       "> Log Read (3 events) at MC=0x00012400\r\n", "Clear TBX Event Log: Event Log Cleared\n"},
      {{"--event-records", "32768"}, {"events", "--clear"}, kExitBadAnswer, "",
       "Communications Error: Rx Count Error\n"},
      {{"--corrupt-every", "1"}, {"events", "--clear"}, kExitNoAnswer, "",
       "Communications Error: Checksum Error\n"},
      // The read answered, the clear not: the log is out, the unit still holds it.
      {{"--drop-every", "2", "--event-records", "2"}, {"events", "--clear"}, kExitNoAnswer,
       "> Log Read (2 events) at MC=0x00012400\r\n", "Communications Error: Rx Timeout Error\n"},
      {{"--silent"}, {"transitions", "--count", "2"}, kExitNoAnswer, "",
       "Communications Error: Rx Timeout Error\n"},
      // --all stops after block 255 and says so.
      {{"--transitions", "300", "--block-items", "1"}, {"transitions", "--all"}, kExitOk,
       "Block #1 polled", "Transition Buffer Log: More blocks are available after block 255.\n"},
      // clang-format on
  };
  for (const auto& [sim_options, command, status, out, err] : cases) {
    PtyUnit unit(sim_options);
    const CliRun run = unit.Run(command);
    EXPECT_EQ(std::pair(run.status, run.err), std::pair(status, std::string(err)));
    EXPECT_TRUE(*out == '\0' ? run.out.empty() : run.out.starts_with(out)) << run.out;
    EXPECT_EQ(Blocks(run.out), *out == 'B' ? 255 : 0);
  }
}

}  // namespace
}  // namespace tessera::cli
