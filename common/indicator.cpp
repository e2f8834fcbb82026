#include "common/indicator.h"

#include <QPainter>

namespace common {

Indicator::Indicator(const QString& object_name, const QString& accessible_name,
                     const QColor& colour, QWidget* parent, int diameter)
    : QWidget(parent), colour_(colour), diameter_(diameter) {
  setObjectName(object_name);
  setAccessibleName(accessible_name);
  setAccessibleDescription(QStringLiteral("off"));
  setFixedSize(sizeHint());
}

void Indicator::SetFilled(bool filled) {
  if (filled == filled_) return;
  filled_ = filled;
  setAccessibleDescription(filled ? QStringLiteral("on") : QStringLiteral("off"));
  update();
}

void Indicator::SetColour(const QColor& colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void Indicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  // The rim keeps a hollow indicator visible on any background; grey when disabled.
  const QColor rim = isEnabled() ? colour_.darker(180) : QColor(0xA0, 0xA0, 0xA0);
  painter.setPen(QPen(rim, 1.3));
  if (filled_) {
    painter.setBrush(isEnabled() ? colour_ : colour_.lighter(150));
  } else {
    painter.setBrush(Qt::NoBrush);
  }
  painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

}  // namespace common
