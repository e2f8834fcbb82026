#include "tessera/windows/channel_frame.h"

#include <QPainter>

namespace tessera::panel {

ChannelFrame::ChannelFrame(const QString& object_name, const QString& caption, QWidget* parent)
    : QGroupBox(parent), caption_(caption) {
  setObjectName(object_name);
  Apply();
}

void ChannelFrame::SetBorder(bool on) {
  if (on == border_) return;
  border_ = on;
  Apply();
}

void ChannelFrame::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Apply();
}

void ChannelFrame::Apply() {
  setAccessibleName(caption_);
  setTitle(border_ ? caption_ : QString());
  // Without a border the frame draws nothing at all, like a borderless frame.
  setStyleSheet(border_
                    ? QString()
                    : QString("QGroupBox#%1 { border: none; margin-top: 0px; }").arg(objectName()));
}

QPixmap LogoPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  // A signal head: dark housing with red, yellow and green lamps.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x30, 0x30, 0x30));
  painter.drawRoundedRect(QRectF(s * 0.3, s * 0.02, s * 0.4, s * 0.96), s / 10, s / 10);
  const QColor lamps[] = {kRed, kYellow, kGreen};
  for (int i = 0; i < 3; ++i) {
    painter.setBrush(lamps[i]);
    painter.drawEllipse(QPointF(s * 0.5, s * (0.18 + 0.32 * i)), s * 0.12, s * 0.12);
  }
  return pixmap;
}

}  // namespace tessera::panel
