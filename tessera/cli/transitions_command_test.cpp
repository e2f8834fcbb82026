// tessera-cli transitions: blocks 1 to K or all of them, as the window's "Get Block"
// would poll them, matched byte for byte against the window's saved report; the
// failures and the 255-block limit.
#include <QTemporaryDir>

#include "tessera/cli/exit_status.h"
#include "tessera/testing/cli_harness.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/log_view.h"
#include "tessera/windows/transition_window.h"

namespace tessera::cli {
namespace {

using panel::FeatureWindow;
using testing::CliRun;
using testing::PtyUnit;
using testing::RunInProcess;

std::size_t Blocks(const std::string& report) {
  std::size_t count = 0;
  for (std::size_t at = report.find("Block #"); at != std::string::npos;
       at = report.find("Block #", at + 1)) {
    ++count;
  }
  return count;
}

TEST(TransitionsCommandTest, AllBlocksOfASmallBuffer) {
  PtyUnit unit({"--transitions", "3", "--block-items", "2"});
  ASSERT_TRUE(unit.Ready());
  const CliRun run = unit.Run({"transitions", "--all"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out,
            "Block #1 polled at MC=0x00012400 Status = C (more blocks available) \r\n"
            "  Item #1: Input #0 On at MC'=0xF123\r\n"
            "  Item #2: Input #7 Off at MC'=0xF246\r\n"
            "\r\n"
            "Block #2 polled at MC=0x00012400\r\n"
            "  Item #1: Input #14 On at MC'=0xF369\r\n"
            "\r\n");
  EXPECT_EQ(run.err, "");
}

TEST(TransitionsCommandTest, TheBuiltInUnitAndAnUnansweredPoll) {
  const CliRun run = RunInProcess({"--sim", "transitions", "--count", "2"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(Blocks(run.out), 2u);
  EXPECT_TRUE(
      run.out.starts_with("Block #1 polled at MC=0x00012400 Status = C (more blocks available) \r\n"
                          "  Item #1: Input #0 On at MC'=0xF123\r\n"))
      << run.out.substr(0, 120);
  PtyUnit silent({"--silent"});
  ASSERT_TRUE(silent.Ready());
  const CliRun none = silent.Run({"transitions", "--count", "2"});
  EXPECT_EQ(none.status, kExitNoAnswer);
  EXPECT_EQ(none.err, "Communications Error: Rx Timeout Error\n");
  EXPECT_EQ(none.out, "");
}

TEST(TransitionsCommandTest, AllStopsAfterBlock255) {
  PtyUnit unit({"--transitions", "300", "--block-items", "1"});
  ASSERT_TRUE(unit.Ready());
  const CliRun run = unit.Run({"transitions", "--all"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(Blocks(run.out), 255u);
  EXPECT_NE(run.out.find("Block #255 polled"), std::string::npos);
  EXPECT_EQ(run.err, "Transition Buffer Log: More blocks are available after block 255.\n");
}

class TransitionsAgainstTheWindowTest : public panel::testing::WindowTest {
 protected:
  std::string WindowReport(int clicks) {
    auto* window = Open<logs::TransitionWindow>(FeatureWindow::kTransitionBuffer);
    for (int i = 0; i < clicks; ++i) {
      Click(window, "cmdGetBlock");
      Tick();
    }
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->View()->CatchingUp(); }, 5000));
    const QString path = dir_.filePath("blocks.txt");
    prompts_.QueueFile(path);
    Click(window, "cmdSave");
    return testing::FileContents(path);
  }
  QTemporaryDir dir_;
};

TEST_F(TransitionsAgainstTheWindowTest, OverAPortTheOutputIsTheWindowsReport) {
  // The simulated units on both sides start with the same 45 transitions, 20 a block.
  const std::string report = WindowReport(3);
  EXPECT_EQ(Blocks(report), 3u);
  for (const QStringList& how : {QStringList{"--count", "3"}, QStringList{"--all"}}) {
    PtyUnit unit({"--no-animation"});
    ASSERT_TRUE(unit.Ready());
    const CliRun run = unit.Run(QStringList{"transitions"} + how);
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_EQ(run.out, report) << how.join(' ').toStdString();
  }
}

}  // namespace
}  // namespace tessera::cli
