// The window's pictures (not responding, fault, 24 V low, logo): shown or hidden,
// speaking their state as "on"/"off". Round shapes are common::Indicator.
#pragma once

#include <QLabel>

namespace corvid::monitor {

class Picture : public QLabel {
  Q_OBJECT
 public:
  enum class Kind { kNotResponding, kFault, kLowVoltage, kLogo };
  Picture(const QString& name, const QString& accessible_name, Kind kind, QWidget* parent);

  void SetShown(bool shown);
  bool Shown() const { return !isHidden(); }
};

}  // namespace corvid::monitor
