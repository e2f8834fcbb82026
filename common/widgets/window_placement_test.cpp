#include "common/widgets/window_placement.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

namespace common {
namespace {

TEST(WindowPlacementTest, BesideTheMainWindowWhereTheScreenHasRoom) {
  const QRect screen(0, 0, 1024, 768);
  const QSize size(300, 400);
  struct Case {
    QRect main;
    std::vector<QPoint> taken;
    QPoint expected;
  } cases[] = {
      {{0, 0, 500, 400}, {}, {504, 0}},                      // right
      {{600, 50, 420, 400}, {}, {296, 50}},                  // left: no room right
      {{100, 0, 800, 300}, {}, {100, 304}},                  // below: no room either side
      {{0, 0, 500, 400}, {{504, 0}}, {532, 28}},             // cascaded from a window there
      {{0, 0, 500, 400}, {{504, 0}, {532, 28}}, {560, 56}},  // and from the next
      {{150, 0, 800, 700}, {}, {0, 368}},  // no room: the corner covering least of it
      {{10, 0, 800, 700}, {}, {724, 368}},
      {{10, 100, 800, 668}, {}, {724, 0}},
  };
  for (const Case& c : cases) {
    const QPoint corner = BesidePosition(c.main, size, screen, c.taken);
    EXPECT_EQ(corner, c.expected) << c.main.x() << "," << c.main.y();
    EXPECT_TRUE(screen.contains(QRect(corner, size)));
  }
}

// The window opens clear of the main window, and where the user left it next time.
TEST(WindowPlacementTest, OpensBesideThenWhereItWasLeft) {
  QWidget main;
  main.setGeometry(20, 20, 300, 200);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  auto* window = new QWidget(&main, Qt::Window);
  window->resize(200, 150);
  PlaceBesideMainWindow(window, &main, "PlacementProbe");
  window->show();
  EXPECT_FALSE(window->frameGeometry().intersects(main.frameGeometry()));
  window->move(400, 300);
  window->close();
  delete window;
  auto* again = new QWidget(&main, Qt::Window);
  again->resize(200, 150);
  PlaceBesideMainWindow(again, &main, "PlacementProbe");
  again->show();
  EXPECT_EQ(again->pos(), QPoint(400, 300));
}

}  // namespace
}  // namespace common
