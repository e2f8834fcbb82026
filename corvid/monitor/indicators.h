// The window's passive indicators: round shapes that are drawn filled or hollow,
// and pictures that are shown or hidden. Both speak their state as "on"/"off".
#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

namespace corvid::monitor {

class Shape : public QWidget {
  Q_OBJECT
 public:
  Shape(const QString& name, const QString& accessible_name, QColor fill, QWidget* parent);

  void SetFillColor(QColor color);
  QColor FillColor() const { return fill_; }
  // Solid fill when true, transparent (outline only) otherwise.
  void SetFilled(bool filled);
  bool Filled() const { return filled_; }

  QSize sizeHint() const override { return {18, 18}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor fill_;
  bool filled_ = false;
};

class Picture : public QLabel {
  Q_OBJECT
 public:
  enum class Kind { kNotResponding, kFault, kLowVoltage, kLogo };
  Picture(const QString& name, const QString& accessible_name, Kind kind, QWidget* parent);

  void SetShown(bool shown);
  bool Shown() const { return !isHidden(); }
};

}  // namespace corvid::monitor
