// An unlit lamp is only its rim: it must stand out on the light and dark palettes a
// technician's desktop may use.
#include "common/widgets/indicator.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace common {
namespace {

// Contrast ratio of two colours as accessibility guidelines measure it (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto lin = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(IndicatorTest, AnUnlitRimStandsOutOnLightAndDarkPalettes) {
  for (const QColor background :
       {QColor(0xF0, 0xF0, 0xF0), QColor(0x2A, 0x2A, 0x2A), QColor(0, 0, 0)}) {
    for (const QColor colour : {QColor(0xFF, 0, 0), QColor(0, 0, 0xFF), QColor(0, 0xFF, 0)}) {
      Indicator lamp("shpLamp", "Lamp", colour, nullptr, 16);
      QPalette palette = lamp.palette();
      palette.setColor(QPalette::Window, background);
      lamp.setPalette(palette);
      lamp.setAutoFillBackground(true);
      const QImage image = lamp.grab().toImage();
      double rim = 0;
      for (int x = 0; x < image.width(); ++x) {
        rim = std::max(rim, Contrast(image.pixelColor(x, image.height() / 2), background));
      }
      EXPECT_GE(rim, 3.0) << background.name().toStdString() << " " << colour.name().toStdString();
    }
  }
}

}  // namespace
}  // namespace common
