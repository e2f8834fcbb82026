// frmTransitions driven as a technician does, against the simulated unit: the block
// each "Get Block" asks for, the decoded blocks, an unanswered poll, the buttons that
// never work, and hiding instead of closing.
#include "tessera/windows/transition_window.h"

#include <QAccessible>
#include <QPushButton>

#include "tessera/testing/window_harness.h"
#include "tessera/windows/log_view.h"

namespace tessera::logs {
namespace {

using panel::FeatureWindow;
using panel::testing::WindowTest;
using sim::TransitionItem;

constexpr char kUnsaved[] = "Transition Buffer Log (unsaved)";

class TransitionWindowTest : public WindowTest {
 protected:
  TransitionWindowTest() {
    sim::TbxTransitions& buffer = device_.Transitions();
    buffer.pending = {TransitionItem::Input(5, true, 0x1234),
                      TransitionItem::Input(5, false, 0x1234), TransitionItem::Rollover(),
                      TransitionItem::Input(59, true, 0x000A)};
    buffer.items_per_block = 3;
    buffer.mc = 0x1240;
  }
  TransitionWindow* Window() { return Open<TransitionWindow>(FeatureWindow::kTransitionBuffer); }
  QStringList GetBlocks(TransitionWindow* window, int clicks) {
    for (int i = 0; i < clicks; ++i) Click(window, "cmdGetBlock");
    const QStringList sent = TickRequests();
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->View()->CatchingUp(); }, 5000));
    return sent;
  }
};

TEST_F(TransitionWindowTest, TheFirstPollAsksForBlockOneAndShowsItsItems) {
  TransitionWindow* window = Window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), kUnsaved);
  EXPECT_EQ(GetBlocks(window, 1), QStringList{"76 0D 00 01 7B"});
  EXPECT_EQ(window->Text(),
            "Block #1 polled at MC=0x00001240 Status = C (more blocks available) \r\n"
            "  Item #1: Input #5 On at MC'=0x1234\r\n"
            "  Item #2: Input #5 Off at MC'=0x1234\r\n"
            "  Item #3: MC Rollover\r\n");
  EXPECT_EQ(GetBlocks(window, 1), QStringList{"76 0D 00 02 7A"});
  EXPECT_EQ(
      window->Text().substr(window->Text().size() - 77),
      "\r\n\r\nBlock #2 polled at MC=0x00001240\r\n  Item #1: Input #59 On at MC'=0x000A\r\n");
  const QString shown = window->View()->toPlainText();
  EXPECT_EQ(window->View()->textCursor().position(), shown.lastIndexOf("Block #"));
  EXPECT_EQ(shown, QString::fromStdString(window->Text()).remove('\r'));
}

TEST_F(TransitionWindowTest, EveryClickAdvancesTheBlockEvenWhenOnlyOnePollFollows) {
  TransitionWindow* window = Window();
  GetBlocks(window, 1);
  Click(window, "cmdClearLog");  // clearing the display does not start again at 1
  EXPECT_EQ(window->Text(), "");
  EXPECT_EQ(GetBlocks(window, 2), QStringList{"76 0D 00 03 79"});
  EXPECT_EQ(window->Text().substr(0, 86),
            "Block #3 polled at MC=0x00001240 Status = G (block request out of sequence) \r\n"
            "  Item #");
  // Clicks 4 to 256 before one tick: the one poll asks for block 0.
  EXPECT_EQ(GetBlocks(window, 253), QStringList{"76 0D 00 00 7C"});
  EXPECT_EQ(device_.Transitions().requested, (std::vector<std::uint8_t>{1, 3, 0}));
}

TEST_F(TransitionWindowTest, AnUnansweredPollAddsNothingAndTheNextAsksTheFollowingBlock) {
  TransitionWindow* window = Window();
  window->activateWindow();
  device_.Model().Options().silent = true;
  EXPECT_EQ(GetBlocks(window, 1), QStringList{"76 0D 00 01 7B"});
  EXPECT_EQ(window->Text(), "");
  QWidget* get_block = Find(window, "cmdGetBlock");
  EXPECT_TRUE(get_block->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), get_block);
  EXPECT_TRUE(prompts_.shown().empty());
  device_.Model().Options().silent = false;
  EXPECT_EQ(GetBlocks(window, 1), QStringList{"76 0D 00 02 7A"});
  EXPECT_EQ(window->Text().substr(0, 9), "Block #2 ");
}

TEST_F(TransitionWindowTest, ButtonsCaptionsAndClosing) {
  TransitionWindow* window = Window();
  const std::tuple<const char*, const char*, bool> buttons[] = {
      {"cmdGetBlock", "&Get Block", true},
      {"cmdGetAllBlocks", "Get &All Blocks", false},
      {"cmdClearLog", "Clear &Display Buffer", true},
      {"cmdClearTBX", "Clear &TBX Buffer", false},
      {"cmdSave", "", true}};
  for (const auto& [name, caption, enabled] : buttons) {
    auto* button = Find<QPushButton>(window, name);
    EXPECT_EQ(button->text(), caption);
    EXPECT_EQ(button->isEnabled(), enabled) << name;
    EXPECT_FALSE(button->accessibleName().isEmpty()) << name;
  }
  bool get_block_enabled = true;
  QObject::connect(&app_->Logs(), &LogRoutines::PollTransitionStarted, window,
                   [&] { get_block_enabled = Find(window, "cmdGetBlock")->isEnabled(); });
  GetBlocks(window, 1);
  EXPECT_FALSE(get_block_enabled);  // no second poll before the first is shown
  EXPECT_FALSE(Find(window, "cmdGetAllBlocks")->isEnabled());
  window->close();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Window(), window);
  EXPECT_EQ(window->Text().substr(0, 9), "Block #1 ");
  EXPECT_EQ(window->windowTitle(), kUnsaved);
  EXPECT_EQ(GetBlocks(window, 1), QStringList{"76 0D 00 02 7A"});
  EXPECT_EQ(Unnamed(window), QStringList());
}

}  // namespace
}  // namespace tessera::logs
