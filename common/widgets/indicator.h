// A round indicator shape: filled in its colour when on, an outline when off. Its
// accessible description speaks the state as "on" or "off".
#pragma once

#include <QColor>
#include <QWidget>

namespace common {

class Indicator : public QWidget {
  Q_OBJECT
 public:
  Indicator(const QString& object_name, const QString& accessible_name, const QColor& colour,
            QWidget* parent = nullptr, int diameter = 16);

  void SetFilled(bool filled);
  bool Filled() const { return filled_; }
  void SetColour(const QColor& colour);
  QColor Colour() const { return colour_; }
  QSize sizeHint() const override { return {diameter_, diameter_}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
  int diameter_;
  bool filled_ = false;
};

}  // namespace common
