// Corvid's calibration on the main window: the Calibrate menu (opening it prepares
// the working values; "Auto", "Manual", "Calibration Settings"), the "Full Calibrate"
// button, the three calibration windows and the guided calibration that drives the
// session. Made by the main window, which knows nothing more of calibration.
#pragma once

#include <QObject>

#include "corvid/session/factor_boxes.h"
#include "corvid/session/guided_calibration.h"

class QAction;
class QMenu;
class QPushButton;

namespace corvid {
class CorvidApp;
}
namespace corvid::monitor {
class MainWindow;
}

namespace corvid::calibration {

class CalibrateWindow;
class CalManualWindow;
class CalSettingsDialog;

class CalibrationWindows : public QObject, private CalibrationView {
  Q_OBJECT
 public:
  CalibrationWindows(CorvidApp& app, monitor::MainWindow& window);
  ~CalibrationWindows() override;

  GuidedCalibration& Guided() { return guided_; }
  FactorBoxes& Boxes() { return boxes_; }
  CalibrateWindow* StepWindow() const { return calibrate_; }
  CalManualWindow* FactorsWindow() const { return manual_; }
  // Made on first use.
  CalSettingsDialog* SettingsDialog();

 private:
  // CalibrationView
  void ShowFactors() override;
  void PrepareStep(CalMode mode, const QString& instructions, bool start_enabled) override;
  void ShowInstructions(const QString& instructions) override;
  void ShowReport(bool passed) override;
  void CloseStep() override;

  void ShowSettings();
  // Full Calibrate and "Auto" follow one rule; Check Outputs and a run keep each other out.
  void UpdateAvailability();

  CorvidApp& app_;
  monitor::MainWindow& window_;
  FactorBoxes boxes_;
  CalibrateWindow* calibrate_ = nullptr;
  CalManualWindow* manual_ = nullptr;
  CalSettingsDialog* settings_ = nullptr;
  bool calibrate_placed_ = false;  // placed with the factors window, not yet shown
  QAction* auto_item_ = nullptr;
  QPushButton* full_calibrate_button_ = nullptr;
  GuidedCalibration guided_;
};

}  // namespace corvid::calibration
