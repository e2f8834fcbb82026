#include "common/widgets/indicator.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace common {
namespace {

double Luminance(const QColor& c) {
  const auto channel = [](double v) {
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The rim in the lamp's own hue, darker on a light background and lighter on a dark
// one, until it stands out as a drawn line should (3:1).
QColor RimColour(const QColor& colour, const QColor& background) {
  constexpr double kReadable = 3.0;
  const bool dark_background = Luminance(background) < 0.18;
  QColor rim = dark_background ? colour : colour.darker(180);
  for (int step = 0; step < 8 && Contrast(rim, background) < kReadable; ++step) {
    rim = dark_background ? rim.lighter(130) : rim.darker(130);
  }
  if (Contrast(rim, background) >= kReadable) return rim;
  return dark_background ? QColor(Qt::white) : QColor(Qt::black);
}

}  // namespace

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
  const QColor rim = isEnabled() ? RimColour(colour_, palette().color(backgroundRole()))
                                 : QColor(0xA0, 0xA0, 0xA0);
  painter.setPen(QPen(rim, 1.3));
  if (filled_) {
    painter.setBrush(isEnabled() ? colour_ : colour_.lighter(150));
  } else {
    painter.setBrush(Qt::NoBrush);
  }
  painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

}  // namespace common
