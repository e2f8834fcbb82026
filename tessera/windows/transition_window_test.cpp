// frmTransitions driven as a technician does, against the simulated unit: the block
// each "Get Block" asks for, the decoded blocks, an unanswered poll, the buttons that
// never work, and hiding instead of closing.
#include "tessera/windows/transition_window.h"

#include <QPushButton>

#include "tessera/testing/window_harness.h"

namespace tessera::logs {
namespace {

using panel::FeatureWindow;
using panel::testing::WindowTest;
using sim::TransitionItem;

using TransitionWindowTest = WindowTest;

// Each click asks for the next block, even when only one poll follows several clicks;
// each block shows below the earlier ones, the caret on the newest.
TEST_F(TransitionWindowTest, EveryClickAdvancesTheBlockAndAnUnansweredPollAddsNothing) {
  device_->Transitions().pending = {
      TransitionItem::Input(5, true, 0x1234), TransitionItem::Input(5, false, 0x1234),
      TransitionItem::Rollover(), TransitionItem::Input(59, true, 0x000A)};
  device_->Transitions().items_per_block = 3;
  device_->Transitions().mc = 0x1240;
  auto* window = Open<TransitionWindow>(FeatureWindow::kTransitionBuffer);
  const auto get_blocks = [&](TransitionWindow* w, int clicks) {
    return Read(w, "cmdGetBlock", clicks);
  };
  EXPECT_EQ(get_blocks(window, 1), QStringList{"76 0D 00 01 7B"});
  EXPECT_EQ(get_blocks(window, 1), QStringList{"76 0D 00 02 7A"});
  EXPECT_TRUE(window->Text().starts_with(
      "Block #1 polled at MC=0x00001240 Status = C (more blocks available) \r\n"))
      << window->Text();
  EXPECT_TRUE(window->Text().ends_with(
      "MC Rollover\r\n\r\nBlock #2 polled at MC=0x00001240\r\n  Item #1: Input #59 On at "
      "MC'=0x000A\r\n"));
  const QString shown = window->View()->toPlainText();
  EXPECT_EQ(window->View()->textCursor().position(), shown.lastIndexOf("Block #"));
  EXPECT_EQ(shown, QString::fromStdString(window->Text()).remove('\r'));
  Click(window, "cmdClearLog");  // clearing the display does not start again at 1
  EXPECT_EQ(window->Text(), "");
  EXPECT_EQ(get_blocks(window, 2), QStringList{"76 0D 00 04 78"});
  // Clicks 5 to 256 before one tick: the one poll asks for block 0.
  EXPECT_EQ(get_blocks(window, 252), QStringList{"76 0D 00 00 7C"});
  QStringList enabled;
  for (QPushButton* button : window->findChildren<QPushButton*>())
    if (button->isEnabled()) enabled << button->objectName();
  enabled.sort();
  EXPECT_EQ(enabled, (QStringList{"cmdClearLog", "cmdGetBlock", "cmdSave"}));
  // An unanswered poll adds nothing, says nothing, and the next asks the following block.
  // The buttons the unit has no request for never work; Get Block rests while it polls.
  const std::string before = window->Text();
  device_->Model().Options().silent = true;
  EXPECT_EQ(get_blocks(window, 1), QStringList{"76 0D 00 01 7B"});
  EXPECT_EQ(window->Text(), before);
  EXPECT_TRUE(prompts_.shown().empty());
  EXPECT_EQ(QApplication::focusWidget(), Find(window, "cmdGetBlock"));
  device_->Model().Options().silent = false;
  bool get_block_enabled = true;
  QObject::connect(&app_->Logs(), &LogRoutines::PollTransitionStarted, window,
                   [&] { get_block_enabled = Find(window, "cmdGetBlock")->isEnabled(); });
  EXPECT_EQ(get_blocks(window, 1), QStringList{"76 0D 00 02 7A"});
  EXPECT_FALSE(get_block_enabled);  // no second poll before the first is shown
}

}  // namespace
}  // namespace tessera::logs
