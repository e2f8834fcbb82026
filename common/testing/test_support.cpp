#include "common/testing/test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "common/qtcore/event_wait.h"

namespace common::testing {

QString BinDir() {
  const QByteArray env = qgetenv("CABINET_BIN_DIR");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  return QCoreApplication::applicationDirPath();
}

QByteArray Hex(const char* text) {
  QByteArray compact = QByteArray(text).simplified();
  compact.replace(' ', QByteArray());
  return QByteArray::fromHex(compact);
}

QString ToHex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

bool WaitUntil(const std::function<bool()>& pred, int timeout_ms) {
  // Polls in small steps: the things tests wait for (files, processes) send no signal.
  QElapsedTimer clock;
  clock.start();
  while (!pred()) {
    if (clock.elapsed() >= timeout_ms) return false;
    Delay(5);
  }
  return true;
}

namespace {

// Arrow keys until `target` is the menu's active item; false when it never is.
bool MoveTo(QMenu* menu, QAction* target) {
  for (qsizetype step = 0; step <= menu->actions().size() && menu->activeAction() != target;
       ++step) {
    QTest::keyClick(menu, Qt::Key_Down);
  }
  return menu->activeAction() == target;
}

}  // namespace

bool ChooseFromMenuBar(QMenuBar* bar, QMenu* menu, QAction* item, QMenu* submenu) {
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
  if (!WaitUntil([&] { return menu->isVisible(); }, 2000)) return false;
  QMenu* current = menu;
  bool reached = true;
  if (submenu != nullptr) {
    reached = MoveTo(current, submenu->menuAction());
    if (reached) {
      QTest::keyClick(current, Qt::Key_Right);
      reached = WaitUntil([&] { return submenu->isVisible(); }, 2000);
      current = submenu;
    }
  }
  if (reached && MoveTo(current, item)) {
    QTest::keyClick(current, Qt::Key_Return);
    return true;
  }
  if (submenu != nullptr) submenu->close();
  menu->close();
  return false;
}

std::string ReadBack(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string out;
  for (int c; (c = std::fgetc(file)) != EOF;) out += static_cast<char>(c);
  return out;
}

}  // namespace common::testing
