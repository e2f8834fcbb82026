// Window routines both programs carry in the same form.
#pragma once

#include <QList>
#include <QString>

class QAbstractButton;
class QDialog;
class QLabel;
class QStatusBar;
class QWidget;

namespace common {

class PollLoop;

// True while a menu of the window's menu bar is dropped down; false in the bar's
// keyboard mode (Alt tapped) and for a window without a menu bar.
bool IsMenuActive(const QWidget* window);

// While a menu of the window is open the loop's tick waits; the gate goes with the
// window, so a session that outlives it never asks a window that is gone.
void GateTicksOnMenus(PollLoop& loop, QWidget* window);

// Enables or disables the frame and every control inside it; nested frames (object
// names beginning with "fra") are handled recursively.
void EnableFrame(QWidget* frame, bool enabled);

// Centres the window on its screen.
void CentreOnScreen(QWidget* window);

// A click on any part of the dialog (its frames, pictures and labels included)
// accepts it, as About boxes do. Call after the dialog's children exist.
void CloseOnAnyClick(QDialog* dialog);

// A status-bar panel wide enough for `widest` (the longest text it will show). Its
// accessible name is its current text, so a screen reader hears what it says now;
// `role` ("Port", "CRC errors") is its accessible description.
QLabel* AddStatusPanel(QStatusBar* bar, const QString& object_name, const QString& role,
                       const QString& text, const QString& widest, int stretch);

// Tab enters an exclusive group of option buttons on its checked button (arrow keys
// move within the group), so Tab then Space never changes the choice.
void TabToCheckedButton(const QList<QAbstractButton*>& group);

// Object name of element i of a control array: ArrayName("chkOut", 12) == "chkOut_12".
QString ArrayName(const QString& base, int index);

// Gives a new control its object name (tests and screen readers find it by that)
// and what a screen reader says for it; without one, its caption less the '&'.
template <typename W>
W* Named(W* widget, const QString& object_name, const QString& accessible_name = {}) {
  widget->setObjectName(object_name);
  if (!accessible_name.isEmpty()) {
    widget->setAccessibleName(accessible_name);
  } else if constexpr (requires { widget->text(); }) {
    widget->setAccessibleName(widget->text().remove('&'));
  }
  return widget;
}

}  // namespace common
