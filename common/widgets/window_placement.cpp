#include "common/widgets/window_placement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
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

bool FitsOnAScreen(const QRect& outer) {
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().contains(outer)) return true;
  return false;
}

// Positions are kept as the window's inside corner (without its frame): moving a
// window that is not on screen yet places its inside, whatever the window manager adds.
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
  // The frame the window manager adds, from the main window (the window's own is
  // not known before it is on screen).
  QMargins Frame() const {
    if (main_ == nullptr) return {};
    const QRect outer = main_->frameGeometry();
    const QRect inner = main_->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
  }

  void MoveInsideTo(const QPoint& inside) { window_->setGeometry(QRect(inside, window_->size())); }

  void Place() {
    placed_ = true;
    const QMargins frame = Frame();
    const QVariant stored = ProgramSettings().value(SettingsKey(key_));
    if (stored.isValid() && stored.canConvert<QPoint>()) {
      const QPoint inside = stored.toPoint();
      if (FitsOnAScreen(QRect(inside, window_->size()).marginsAdded(frame))) {
        MoveInsideTo(inside);
        return;
      }
    }
    if (main_ == nullptr || !main_->isVisible()) return;
    const QScreen* screen = main_->screen();
    if (screen == nullptr) return;
    std::vector<QPoint> taken;
    for (const QPointer<QWidget>& other : PlacedWindows())
      if (other != nullptr && other != window_ && other->isVisible())
        taken.push_back(other->geometry().topLeft() - QPoint(frame.left(), frame.top()));
    const QSize outer = window_->size().grownBy(frame);
    const QPoint corner =
        BesidePosition(main_->frameGeometry(), outer, screen->availableGeometry(), taken);
    MoveInsideTo(corner + QPoint(frame.left(), frame.top()));
  }

  void Remember() { ProgramSettings().setValue(SettingsKey(key_), window_->geometry().topLeft()); }

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
    // No side has room: of the spots along the screen's edges, the one that covers
    // the least of the main window.
    const int xs[] = {screen.right() + 1 - size.width(), screen.left()};
    const int ys[] = {screen.top(), screen.bottom() + 1 - size.height()};
    qint64 least = -1;
    for (const int x : xs) {
      for (const int y : ys) {
        const QRect covered = QRect(QPoint(x, y), size).intersected(main);
        const qint64 area = qint64{covered.width()} * covered.height();
        if (least < 0 || area < least) {
          least = area;
          corner = QPoint(x, y);
        }
      }
    }
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
