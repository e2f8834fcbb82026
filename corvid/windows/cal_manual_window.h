// The factors window, "Calibration Factors": the 13 factor boxes (hexadecimal), "Load
// Default" and "Set", which asks the next poll tick to send them. The boxes are the
// FactorBoxes the guided calibration also writes and sends.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "corvid/core/calibration_math.h"

class QLineEdit;
class QPushButton;

namespace common {
class Prompts;
}
namespace corvid {
class Session;
}

namespace corvid::calibration {

class FactorBoxes;

class CalManualWindow : public QWidget {
  Q_OBJECT
 public:
  CalManualWindow(Session& session, common::Prompts& prompts, FactorBoxes& boxes,
                  QWidget* parent = nullptr);

  // Shows the window; a window shown anew (first time, or after it was closed) shows
  // the factors the device was last sent, the defaults before any was, except while a
  // calibration keeps its factors here.
  void ShowWindow();
  // During a guided calibration the boxes hold its factors: typing, "Load Default"
  // and "Set" wait until it ends.
  void SetRunInProgress(bool running);

  // "Load Default" and "Set" (refuses a box that is not a factor,
  // names it and selects its text).
  void LoadDefault();
  void Set();

  // Box i in factor order: the six channel voltages, the signal power voltage, the six
  // channel currents.
  QLineEdit* Box(int index) const { return boxes_ui_[index]; }

 private:
  Session& session_;
  common::Prompts& prompts_;
  FactorBoxes& boxes_;
  std::array<QLineEdit*, kFactorCount> boxes_ui_{};
  QPushButton* default_button_ = nullptr;
  QPushButton* set_button_ = nullptr;
  QPushButton* close_button_ = nullptr;
  bool running_ = false;
};

}  // namespace corvid::calibration
