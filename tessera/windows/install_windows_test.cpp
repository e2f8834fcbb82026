// Help, "&Link Trace" as a technician finds it: chosen with the mouse, one modeless
// window that lists the poll's exchanges as they happen.
#include "tessera/windows/install_windows.h"

#include <QMenu>
#include <QMenuBar>

#include "common/testing/trace_lines.h"
#include "common/widgets/link_trace_window.h"
#include "common/widgets/trace_model.h"
#include "tessera/testing/window_harness.h"

namespace tessera::panel {
namespace {

using common::testing::WaitUntil;

class LinkTraceMenuTest : public testing::WindowTest {
 protected:
  LinkTraceMenuTest() {
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }
  // Drops Help down and chooses the item.
  void Choose(const char* item) {
    QMenu* help = window_->findChild<QMenu*>("mnuHelp");
    ASSERT_TRUE(common::testing::ChooseFromMenuBar(window_->menuBar(), help,
                                                   window_->findChild<QAction*>(item)));
    ASSERT_TRUE(WaitUntil([&] { return !help->isVisible(); }, 2000));
  }
  static QStringList Rows(const common::TraceModel& model) {
    QStringList rows;
    for (int i = 0; i < model.rowCount(); ++i) {
      rows << QString::fromStdString(common::testing::ShortLine(*model.RecordAt(i)));
    }
    return rows;
  }
};

TEST_F(LinkTraceMenuTest, TheHelpMenuOpensOneTraceThatFollowsThePoll) {
  QStringList items;
  for (QAction* action : window_->findChild<QMenu*>("mnuHelp")->actions()) {
    items << (action->isSeparator() ? "-" : action->text());
  }
  EXPECT_EQ(items, (QStringList{"&Help", "&Firmware Update", "Flash &Tools", "&Link Trace",
                                "&I/O History", "-", "&About"}));
  EXPECT_FALSE(app_->Tap().Listening());  // nothing is traced until someone looks

  Choose("mnuLinkTrace");
  auto* trace =
      qobject_cast<common::LinkTraceWindow*>(window_->WindowInstance(FeatureWindow::kLinkTrace));
  ASSERT_NE(trace, nullptr);
  EXPECT_TRUE(trace->isVisible());
  EXPECT_FALSE(trace->isModal());
  EXPECT_EQ(trace->windowTitle(), "Link Trace");
  EXPECT_TRUE(app_->Tap().Listening());

  // Tick 1 of the poll: the input exchange only. The unit at address 5, nothing set.
  Tick();
  ASSERT_TRUE(WaitUntil([&] { return trace->Model().rowCount() == 2; }, 2000));
  EXPECT_EQ(Rows(trace->Model()),
            (QStringList{"-> SendInputFrame sent 34 00 CB",
                         "<- SendInputFrame ok 34 00 00 00 00 00 00 00 50 00 00 00 00 7B"}));

  // Chosen again: the same window, brought forward.
  Choose("mnuLinkTrace");
  EXPECT_EQ(window_->WindowInstance(FeatureWindow::kLinkTrace), trace);
  // Closed, it costs the poll nothing.
  trace->close();
  EXPECT_FALSE(app_->Tap().Listening());
  Tick();
  QTest::qWait(common::TraceModel::kUpdateIntervalMs + 50);
  EXPECT_EQ(trace->Model().rowCount(), 2);
}

}  // namespace
}  // namespace tessera::panel
