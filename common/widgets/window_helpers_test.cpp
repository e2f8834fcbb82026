#include "common/widgets/window_helpers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>

#include "common/qtcore/poll_loop.h"

namespace common {
namespace {

TEST(WindowHelpersTest, EnableFrameReachesNestedFramesButNotSiblings) {
  QWidget window;
  const auto named = [](QWidget* w, const char* name) {
    w->setObjectName(name);
    return w;
  };
  QWidget* frame = named(new QGroupBox(&window), "fraIO");
  QWidget* nested = named(new QGroupBox(frame), "fraOpto");
  auto* holder = new QWidget(frame);  // an unnamed layout helper
  const QList<QWidget*> inside = {frame, named(new QCheckBox(frame), "chkOut_0"), nested,
                                  named(new QCheckBox(nested), "chkOpto_0"),
                                  named(new QCheckBox(holder), "chkOut_1")};
  QWidget* outside = named(new QCheckBox(&window), "chkZcrossDisable");
  EnableFrame(frame, false);
  // Each control is disabled in its own right, not only through its parent, so it
  // stays disabled if moved or if the parent is re-enabled alone.
  for (QWidget* w : inside) EXPECT_TRUE(w->testAttribute(Qt::WA_ForceDisabled));
  EXPECT_TRUE(outside->isEnabled());
  EnableFrame(frame, true);
  for (QWidget* w : inside) EXPECT_TRUE(w->isEnabled());
}

// Ticks wait while a menu is dropped down (not while the bar is only in keyboard
// mode), and the gate goes with the window.
TEST(WindowHelpersTest, TicksWaitWhileAMenuIsDroppedDown) {
  PollLoop loop("tmrPoll", 1000, PollLoop::Mode::kFreeRunning);
  loop.SetTick([] {});
  loop.Start();
  auto* window = new QMainWindow;
  QMenu* file = window->menuBar()->addMenu("&File");
  file->addAction("&Open");
  QMenu* help = window->menuBar()->addMenu("&Help");
  help->addAction("&About");
  GateTicksOnMenus(loop, window);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  window->activateWindow();
  QTest::keyClick(window, Qt::Key_Alt);
  ASSERT_NE(window->menuBar()->activeAction(), nullptr) << "the bar should be in keyboard mode";
  EXPECT_TRUE(loop.TickNow());
  QTest::keyClick(window, Qt::Key_H, Qt::AltModifier);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(loop.TickNow());
  QTest::keyClick(help, Qt::Key_Escape);  // back to keyboard mode
  EXPECT_TRUE(loop.TickNow());
  QMenuBar* bar = window->menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
  EXPECT_FALSE(loop.TickNow());
  delete window;  // a gate left behind would ask a window that is gone
  EXPECT_TRUE(loop.TickNow());
}

}  // namespace
}  // namespace common
