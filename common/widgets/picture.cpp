#include "common/widgets/picture.h"

#include <QPainter>
#include <QPainterPath>

namespace common {
namespace {

QString OnOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

}  // namespace

Picture::Picture(const QString& object_name, const QString& accessible_name, const QPixmap& pixmap,
                 QWidget* parent)
    : QLabel(parent) {
  setObjectName(object_name);
  setAccessibleName(accessible_name);
  setPixmap(pixmap);
  setFixedSize(pixmap.size());
  QSizePolicy policy = sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  setSizePolicy(policy);
  setAccessibleDescription(OnOff(true));
}

void Picture::SetShown(bool shown) {
  if (shown == Shown() && accessibleDescription() == OnOff(shown)) return;
  setVisible(shown);
  setAccessibleDescription(OnOff(shown));
}

QPixmap NotRespondingPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  painter.setPen(QPen(QColor(0x30, 0x30, 0x30), s / 16));
  painter.setBrush(QColor(0xB0, 0xB0, 0xB0));
  painter.drawRoundedRect(QRectF(s * 0.08, s * 0.2, s * 0.5, s * 0.6), s / 12, s / 12);
  painter.drawLine(QPointF(s * 0.58, s * 0.5), QPointF(s * 0.75, s * 0.5));
  painter.setPen(QPen(QColor(0xD0, 0x00, 0x00), s / 9, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(s * 0.70, s * 0.32), QPointF(s * 0.94, s * 0.68));
  painter.drawLine(QPointF(s * 0.94, s * 0.32), QPointF(s * 0.70, s * 0.68));
  return pixmap;
}

QPixmap WarningPixmap(int size, const QColor& fill) {
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
  painter.setBrush(fill);
  painter.drawPath(triangle);
  painter.setPen(QPen(Qt::black, s / 9, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(s * 0.5, s * 0.36), QPointF(s * 0.5, s * 0.62));
  painter.drawPoint(QPointF(s * 0.5, s * 0.78));
  return pixmap;
}

}  // namespace common
