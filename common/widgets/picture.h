// A status picture (not responding, fault, line-sync error, logo) that is shown
// or hidden and speaks its state to screen readers as "on"/"off". Hiding it keeps
// its room, so the rows around it do not move.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace common {

class Picture : public QLabel {
  Q_OBJECT
 public:
  Picture(const QString& object_name, const QString& accessible_name, const QPixmap& pixmap,
          QWidget* parent = nullptr);

  void SetShown(bool shown);
  bool Shown() const { return !isHidden(); }
};

// The drawings both programs use.
QPixmap NotRespondingPixmap(int size);                // a unit whose cable ends in a red cross
QPixmap WarningPixmap(int size, const QColor& fill);  // a triangle with "!"

}  // namespace common
