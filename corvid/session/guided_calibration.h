// The full calibration as Corvid runs it: the step machine of procedure.h driven
// against the session (output disables, SetCalibration from the factor boxes,
// GetStatus and its last reading, pauses), with polling stopped from "Auto" until
// the run ends, whichever way it ends. It talks to the technician through Prompts
// and the CalibrationView, never through a widget of its own.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <optional>

#include "corvid/core/procedure.h"

namespace common {
class Prompts;
}

namespace corvid {
class Session;
}

namespace corvid::calibration {

class FactorBoxes;

// An error box (error icon, OK) with the message's title and text; Check Outputs shows
// its findings the same way.
void ShowError(common::Prompts& prompts, const Message& message);

// The windows the run shows: the factors window and the calibration window.
class CalibrationView {
 public:
  virtual ~CalibrationView() = default;
  // The factors window, shown modeless (its boxes are the FactorBoxes).
  virtual void ShowFactors() = 0;
  // A step begins: the calibration window shown with the step's instructions,
  // the attention sign flashing, Start available as allowed.
  virtual void PrepareStep(CalMode mode, const QString& instructions, bool start_enabled) = 0;
  // The instructions text as the run goes on.
  virtual void ShowInstructions(const QString& instructions) = 0;
  // The status shape solid green or red, the cancel button "Done" or "Error".
  virtual void ShowReport(bool passed) = 0;
  // The calibration window closes: the run was cancelled or stopped.
  virtual void CloseStep() = 0;
};

class GuidedCalibration : public QObject {
  Q_OBJECT
 public:
  static constexpr int kStartDelayMs = 500;  // the start timer's interval
  static constexpr char kStartTimerName[] = "tmrCalibrate";
  // Tries of each exchange of a run: one garbled answer is no reason to stop.
  static constexpr int kTries = 3;

  // start_timer: the main window's timer, or null for one of its own.
  GuidedCalibration(Session& session, common::Prompts& prompts, FactorBoxes& boxes,
                    CalibrationView& view, QTimer* start_timer = nullptr,
                    QObject* parent = nullptr);
  ~GuidedCalibration() override;

  // Opening the Calibrate menu: the working values of the connected device's family,
  // and "Auto" becomes available. "ERROR: Unknown Device Type" for other types.
  void PrepareWorkingValues();
  const std::optional<WorkingValues>& Working() const { return working_; }
  // The one rule for the Full Calibrate button and the "Auto" item: prepared by the menu, and not
  // taken since by a run that has not reported.
  bool AutoAvailable() const { return armed_ && !running_; }

  // "Auto" / "Full Calibrate": polling stops now; the run begins on the first tick of
  // the start timer, once no exchange is in progress. Ignored while not available or while
  // Check Outputs holds the outputs; refused with a box while the device is silent.
  void Auto();
  // Start and Cancel of the calibration window (closing it counts as Cancel).
  void Start();
  void Cancel();

  bool Running() const { return running_; }
  // How the last run ended: passed or failed with a report, nullopt without one.
  std::optional<bool> LastResult() const { return last_result_; }
  // Every pause of the run scaled from its 100 ms to this (tests).
  void SetPauseMs(int ms) { pause_ms_ = ms; }

 signals:
  // Running() or AutoAvailable() changed.
  void StateChanged();

 private:
  enum class Flow { kGoOn, kPause, kEnd };

  void Begin();
  void Step();
  Flow Perform(const Action& action);
  // The exchange, tried again up to kTries; false: the run has been stopped.
  bool Exchange(bool (Session::*command)());
  void EndRun(bool rearm);
  void Abort();

  Session& session_;
  common::Prompts& prompts_;
  FactorBoxes& boxes_;
  CalibrationView& view_;
  QPointer<QTimer> start_timer_;
  QTimer pause_;
  std::optional<WorkingValues> working_;
  std::optional<CalibrationProcedure> procedure_;
  std::optional<bool> last_result_;
  std::string shown_instructions_;
  int pause_ms_ = CalibrationProcedure::kSettleMs;
  bool armed_ = false;
  bool running_ = false;
  bool in_step_ = false;
};

}  // namespace corvid::calibration
