#include "common/window_placement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace common {
namespace {

constexpr int kGap = 4;
constexpr int kCascade = 28;

QSettings ProgramSettings() {
  const QString organisation = QCoreApplication::organizationName().isEmpty()
                                   ? QStringLiteral("cabinet-tools")
                                   : QCoreApplication::organizationName();
  return QSettings(QSettings::IniFormat, QSettings::UserScope, organisation,
                   QCoreApplication::applicationName());
}

QString SettingsKey(const QString& key) { return QStringLiteral("Windows/") + key; }

// Every window placed by this file that is still alive, for the cascade.
std::vector<QPointer<QWidget>>& PlacedWindows() {
  static std::vector<QPointer<QWidget>> windows;
  return windows;
}

bool FitsOnAScreen(const QRect& frame) {
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().contains(frame)) return true;
  return false;
}

class Placer : public QObject {
 public:
  Placer(QWidget* window, QWidget* main_window, const QString& key)
      : QObject(window), window_(window), main_(main_window), key_(key) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    switch (event->type()) {
      case QEvent::Show:
        if (!placed_) Place();
        break;
      case QEvent::Move:
      case QEvent::Hide:
        if (placed_ && window_->isVisible()) Remember();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QSize FrameSize() const {
    // The window's own frame is not known before it is mapped: the main window's is
    // the best guess for one from the same window manager.
    const QSize extra = main_ != nullptr ? main_->frameGeometry().size() - main_->size() : QSize();
    return window_->size() + extra;
  }

  void Place() {
    placed_ = true;
    const QVariant stored = ProgramSettings().value(SettingsKey(key_));
    if (stored.canConvert<QPoint>() && stored.isValid()) {
      const QPoint corner = stored.toPoint();
      if (FitsOnAScreen(QRect(corner, FrameSize()))) {
        window_->move(corner);
        return;
      }
    }
    if (main_ == nullptr || !main_->isVisible()) return;
    const QScreen* screen = main_->screen();
    if (screen == nullptr) return;
    std::vector<QPoint> taken;
    for (const QPointer<QWidget>& other : PlacedWindows())
      if (other != nullptr && other != window_ && other->isVisible())
        taken.push_back(other->frameGeometry().topLeft());
    window_->move(
        BesidePosition(main_->frameGeometry(), FrameSize(), screen->availableGeometry(), taken));
  }

  void Remember() { ProgramSettings().setValue(SettingsKey(key_), window_->pos()); }

  QWidget* window_;
  QPointer<QWidget> main_;
  QString key_;
  bool placed_ = false;
};

}  // namespace

QPoint BesidePosition(const QRect& main, const QSize& size, const QRect& screen,
                      const std::vector<QPoint>& taken) {
  const QPoint candidates[] = {
      {main.right() + 1 + kGap, main.top()},            // right of the main window
      {main.left() - kGap - size.width(), main.top()},  // left of it
      {main.left(), main.bottom() + 1 + kGap},          // below it
  };
  QPoint corner;
  bool fits = false;
  for (const QPoint& candidate : candidates) {
    if (screen.contains(QRect(candidate, size))) {
      corner = candidate;
      fits = true;
      break;
    }
  }
  if (!fits) {
    // No side has room: the side with the most, kept on the screen, covers as little
    // of the main window as it can.
    const int right_room = screen.right() - main.right();
    const int left_room = main.left() - screen.left();
    corner = right_room >= left_room ? QPoint(screen.right() + 1 - size.width(), main.top())
                                     : QPoint(screen.left(), main.top());
  }
  // Cascade from windows already at that spot.
  for (int step = 0; step < 16; ++step) {
    const bool busy = std::any_of(taken.begin(), taken.end(), [&](const QPoint& p) {
      return (p - corner).manhattanLength() < kCascade / 2;
    });
    if (!busy) break;
    corner += QPoint(kCascade, kCascade);
  }
  corner.setX(std::clamp(corner.x(), screen.left(),
                         std::max(screen.left(), screen.right() + 1 - size.width())));
  corner.setY(std::clamp(corner.y(), screen.top(),
                         std::max(screen.top(), screen.bottom() + 1 - size.height())));
  return corner;
}

void PlaceBesideMainWindow(QWidget* window, QWidget* main_window, const QString& key) {
  if (window == nullptr) return;
  new Placer(window, main_window, key);
  auto& placed = PlacedWindows();
  placed.erase(std::remove(placed.begin(), placed.end(), nullptr), placed.end());
  placed.emplace_back(window);
}

}  // namespace common
