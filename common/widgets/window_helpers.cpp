#include "common/widgets/window_helpers.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QWidget>

#include "common/qtcore/poll_loop.h"

namespace common {

bool IsMenuActive(const QWidget* window) {
  if (window == nullptr) return false;
  const auto* main = qobject_cast<const QMainWindow*>(window);
  const QMenuBar* bar =
      main != nullptr
          ? (main->menuWidget() != nullptr ? qobject_cast<QMenuBar*>(main->menuWidget()) : nullptr)
          : window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
  if (bar == nullptr) return false;
  // Only a dropped-down menu counts: after a tap of Alt (or Escape out of a menu) the
  // bar stays in keyboard mode with an active action but nothing on screen says so,
  // and polling must not stop for that.
  for (const QAction* action : bar->actions()) {
    const QMenu* menu = action->menu();
    if (menu != nullptr && menu->isVisible()) return true;
  }
  return false;
}

void GateTicksOnMenus(PollLoop& loop, QWidget* window) {
  loop.SetGate([window] { return !IsMenuActive(window); });
  QObject::connect(window, &QObject::destroyed, &loop, [&loop] { loop.SetGate({}); });
}

void EnableFrame(QWidget* frame, bool enabled) {
  if (frame == nullptr) return;
  frame->setEnabled(enabled);
  for (QObject* child : frame->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget == nullptr || widget->isWindow()) continue;
    if (widget->objectName().startsWith("fra")) {
      EnableFrame(widget, enabled);
    } else if (!widget->objectName().isEmpty()) {
      widget->setEnabled(enabled);
    } else {
      // Unnamed containers (layout helpers) pass the call on to what they hold.
      EnableFrame(widget, enabled);
    }
  }
}

void CentreOnScreen(QWidget* window) {
  if (window == nullptr) return;
  const QScreen* screen =
      window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const QSize size = window->frameGeometry().size();
  window->move(area.x() + (area.width() - size.width()) / 2,
               area.y() + (area.height() - size.height()) / 2);
}

namespace {

class ClickCloser : public QObject {
 public:
  explicit ClickCloser(QDialog* dialog) : QObject(dialog), dialog_(dialog) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return false;
    dialog_->accept();
    return true;
  }

 private:
  QDialog* dialog_;
};

}  // namespace

void CloseOnAnyClick(QDialog* dialog) {
  if (dialog == nullptr) return;
  auto* closer = new ClickCloser(dialog);
  dialog->installEventFilter(closer);
  for (QWidget* child : dialog->findChildren<QWidget*>()) child->installEventFilter(closer);
}

QLabel* AddStatusPanel(QStatusBar* bar, const QString& object_name, const QString& role,
                       const QString& text, const QString& widest, int stretch) {
  auto* panel = new QLabel(text, bar);
  panel->setObjectName(object_name);
  panel->setAccessibleDescription(role);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Sunken);
  const int margins = 2 * panel->frameWidth() + 2 * panel->margin() + 12;
  panel->setMinimumWidth(panel->fontMetrics().horizontalAdvance(widest) + margins);
  bar->addWidget(panel, stretch);
  return panel;
}

void TabToCheckedButton(const QList<QAbstractButton*>& group) {
  const auto update = [group] {
    for (QAbstractButton* button : group) {
      button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
  };
  for (QAbstractButton* button : group) QObject::connect(button, &QAbstractButton::toggled, update);
  update();
}

QString ArrayName(const QString& base, int index) {
  return base + QLatin1Char('_') + QString::number(index);
}

}  // namespace common
