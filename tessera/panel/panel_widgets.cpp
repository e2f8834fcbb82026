#include "tessera/panel/panel_widgets.h"

#include <QPainter>
#include <QPainterPath>

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

QPixmap NoResponsePicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  // A unit box with a cable that ends in a red cross.
  painter.setPen(QPen(QColor(0x30, 0x30, 0x30), s / 16));
  painter.setBrush(QColor(0xB0, 0xB0, 0xB0));
  painter.drawRoundedRect(QRectF(s * 0.08, s * 0.2, s * 0.5, s * 0.6), s / 12, s / 12);
  painter.drawLine(QPointF(s * 0.58, s * 0.5), QPointF(s * 0.75, s * 0.5));
  painter.setPen(QPen(QColor(0xD0, 0x00, 0x00), s / 9, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(s * 0.70, s * 0.32), QPointF(s * 0.94, s * 0.68));
  painter.drawLine(QPointF(s * 0.94, s * 0.32), QPointF(s * 0.70, s * 0.68));
  return pixmap;
}

QPixmap LineSyncErrorPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  QPainterPath triangle;
  triangle.moveTo(s * 0.5, s * 0.06);
  triangle.lineTo(s * 0.95, s * 0.92);
  triangle.lineTo(s * 0.05, s * 0.92);
  triangle.closeSubpath();
  painter.setPen(QPen(QColor(0x30, 0x30, 0x30), s / 16));
  painter.setBrush(QColor(0xFF, 0xD0, 0x00));
  painter.drawPath(triangle);
  painter.setPen(QPen(Qt::black, s / 9, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(s * 0.5, s * 0.36), QPointF(s * 0.5, s * 0.62));
  painter.drawPoint(QPointF(s * 0.5, s * 0.78));
  return pixmap;
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
