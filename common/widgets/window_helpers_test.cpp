#include "common/widgets/window_helpers.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QVBoxLayout>

#include "common/qtcore/poll_loop.h"

namespace common {
namespace {

TEST(WindowHelpersTest, EnableFrameReachesNestedFramesButNotSiblings) {
  QWidget window;
  auto* io_frame = new QGroupBox(&window);
  io_frame->setObjectName("fraIO");
  auto* chk = new QCheckBox(io_frame);
  chk->setObjectName("chkOut_0");
  auto* opto_frame = new QGroupBox(io_frame);
  opto_frame->setObjectName("fraOpto");
  auto* label = new QLabel(opto_frame);
  label->setObjectName("Label1_0");
  auto* holder = new QWidget(io_frame);  // an unnamed layout helper
  auto* held = new QCheckBox(holder);
  held->setObjectName("chkOut_1");
  auto* outside = new QCheckBox(&window);
  outside->setObjectName("chkZcrossDisable");

  const QList<QWidget*> inside = {io_frame, chk, opto_frame, label, held};
  EnableFrame(io_frame, false);
  for (QWidget* w : inside) {
    // Each control is disabled in its own right, not only through its parent,
    // so it stays disabled if moved or if the parent is re-enabled alone.
    EXPECT_TRUE(w->testAttribute(Qt::WA_ForceDisabled)) << w->objectName().toStdString();
  }
  EXPECT_TRUE(outside->isEnabled());

  EnableFrame(io_frame, true);
  for (QWidget* w : inside) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST(WindowHelpersTest, MenuIsActiveOnlyWhileAMenuIsDroppedDown) {
  QWidget bare;
  EXPECT_FALSE(IsMenuActive(&bare));
  EXPECT_FALSE(IsMenuActive(nullptr));

  QMainWindow window;
  QMenu* file = window.menuBar()->addMenu("&File");
  file->addAction("&Open");
  QMenu* help = window.menuBar()->addMenu("&Help");
  help->addAction("&About");
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  EXPECT_FALSE(IsMenuActive(&window));
  // A tap of Alt: the bar is in keyboard mode, nothing dropped down.
  QTest::keyClick(&window, Qt::Key_Alt);
  ASSERT_NE(window.menuBar()->activeAction(), nullptr) << "the bar should be in keyboard mode";
  EXPECT_FALSE(IsMenuActive(&window));
  // Alt+H drops "Help" down; Escape closes it and leaves the bar in keyboard mode.
  QTest::keyClick(&window, Qt::Key_H, Qt::AltModifier);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(IsMenuActive(&window));
  QTest::keyClick(help, Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible());
  EXPECT_NE(window.menuBar()->activeAction(), nullptr);
  EXPECT_FALSE(IsMenuActive(&window));
  // A click on the bar's item drops the menu down as well.
  QMenuBar* bar = window.menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
  EXPECT_TRUE(IsMenuActive(&window));
  file->hide();
  EXPECT_FALSE(IsMenuActive(&window));
}

TEST(WindowHelpersTest, TicksWaitWhileAMenuIsOpenAndTheGateGoesWithTheWindow) {
  PollLoop loop("tmrPoll", 1000, PollLoop::Mode::kFreeRunning);
  int ticks = 0;
  loop.SetTick([&] { ++ticks; });
  loop.Start();
  auto* window = new QMainWindow;
  QMenu* help = window->menuBar()->addMenu("&Help");
  help->addAction("&About");
  window->show();
  GateTicksOnMenus(loop, window);
  help->popup(QPoint(0, 0));
  EXPECT_FALSE(loop.TickNow());
  help->hide();
  EXPECT_TRUE(loop.TickNow());
  help->popup(QPoint(0, 0));
  delete window;  // a gate left behind would ask a window that is gone
  EXPECT_TRUE(loop.TickNow());
  EXPECT_EQ(ticks, 2);
}

TEST(WindowHelpersTest, AClickOnAnyPartClosesTheDialog) {
  for (const char* target : {"dialog", "frame", "label"}) {
    QDialog dialog;
    auto* frame = new QGroupBox(&dialog);
    auto* label = new QLabel("About", frame);
    CloseOnAnyClick(&dialog);
    dialog.show();
    QWidget* clicked = QString(target) == "dialog"  ? static_cast<QWidget*>(&dialog)
                       : QString(target) == "frame" ? static_cast<QWidget*>(frame)
                                                    : static_cast<QWidget*>(label);
    QTest::mouseClick(clicked, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible()) << target;
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << target;
  }
}

TEST(WindowHelpersTest, ArrayNamesCarryTheIndex) {
  EXPECT_EQ(ArrayName("chkOut", 12), "chkOut_12");
  EXPECT_EQ(ArrayName("shpOpto", 0), "shpOpto_0");
}

}  // namespace
}  // namespace common
