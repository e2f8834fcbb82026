// Small widgets of the I/O panel: channel frames whose border (and caption) can be
// switched off, and the program's logo.
#pragma once

#include <QColor>
#include <QGroupBox>
#include <QPixmap>
#include <QWidget>

#include "common/widgets/indicator.h"

namespace tessera::panel {

inline const QColor kRed{0xFF, 0x00, 0x00};
inline const QColor kYellow{0xFF, 0xFF, 0x00};
inline const QColor kGreen{0x00, 0xFF, 0x00};
inline const QColor kBlue{0x00, 0x00, 0xFF};

using common::Indicator;

// Channel frame: with its border on it shows its caption; with it off it is an
// invisible grouping.
class ChannelFrame : public QGroupBox {
  Q_OBJECT
 public:
  ChannelFrame(const QString& object_name, const QString& caption, QWidget* parent = nullptr);

  void SetBorder(bool on);
  bool Border() const { return border_; }
  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }

 private:
  void Apply();

  QString caption_;
  bool border_ = true;
};

// The About box logo: a signal head.
QPixmap LogoPicture(int size);

}  // namespace tessera::panel
