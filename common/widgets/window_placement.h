// Where a program's secondary windows open: where the user last left them, else
// beside the main window (right, then left, then below) so the readings stay in view,
// cascaded when several would open at the same spot.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

class QWidget;

namespace common {

// Call once, before the window is first shown. `key` names the window in the
// program's settings ("LinkTrace"); the position is kept there whenever the window
// moves or closes, and used again when it reopens on a screen that still shows it.
void PlaceBesideMainWindow(QWidget* window, QWidget* main_window, const QString& key);

// The top-left corner for a window of `size` (frame included) next to `main` (frame
// included) inside `screen`; `taken` are corners of other open secondary windows,
// to cascade from.
QPoint BesidePosition(const QRect& main, const QSize& size, const QRect& screen,
                      const std::vector<QPoint>& taken);

}  // namespace common
