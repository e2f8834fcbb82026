#include "corvid/windows/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace corvid::monitor {

namespace {

enum class Kind { kNotResponding, kFault, kLowVoltage, kLogo };

QPixmap Draw(Kind kind) {
  const int size = kind == Kind::kLogo ? 48 : 20;
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box(1, 1, size - 2, size - 2);
  switch (kind) {
    case Kind::kNotResponding: {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(200, 0, 0));
      p.drawEllipse(box);
      p.setPen(QPen(Qt::white, 2.5));
      p.drawLine(QPointF(6, 6), QPointF(size - 6, size - 6));
      p.drawLine(QPointF(size - 6, 6), QPointF(6, size - 6));
      break;
    }
    case Kind::kFault:
    case Kind::kLowVoltage: {
      QPainterPath triangle;
      triangle.moveTo(size / 2.0, 1);
      triangle.lineTo(size - 1, size - 2);
      triangle.lineTo(1, size - 2);
      triangle.closeSubpath();
      p.setPen(QPen(Qt::black, 1));
      p.setBrush(kind == Kind::kFault ? QColor(255, 200, 0) : QColor(255, 120, 0));
      p.drawPath(triangle);
      p.setPen(QPen(Qt::black, 2));
      p.drawLine(QPointF(size / 2.0, 7), QPointF(size / 2.0, size - 9));
      p.drawPoint(QPointF(size / 2.0, size - 5));
      break;
    }
    case Kind::kLogo: {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(30, 40, 60));
      p.drawEllipse(box);
      QFont font = p.font();
      font.setBold(true);
      font.setPixelSize(28);
      p.setFont(font);
      p.setPen(QColor(240, 200, 60));
      p.drawText(box, Qt::AlignCenter, QStringLiteral("C"));
      break;
    }
  }
  return pixmap;
}

}  // namespace

QPixmap DeviceNotRespondingPixmap() { return Draw(Kind::kNotResponding); }
QPixmap FaultPixmap() { return Draw(Kind::kFault); }
QPixmap LowVoltagePixmap() { return Draw(Kind::kLowVoltage); }
QPixmap LogoPixmap() { return Draw(Kind::kLogo); }

}  // namespace corvid::monitor
