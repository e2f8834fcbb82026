// Check Outputs as a step machine, driven the way the calibration is (procedure.h):
// it decides, a driver acts. Each output in turn is switched on, left to settle while
// the status is polled, and judged against the mains and the load resistor; a zero
// reading ends the check early. Only the output under test is ever switched on, and
// it is off again on every way out.
#pragma once

#include <deque>
#include <optional>

#include "corvid/core/procedure.h"

namespace corvid::monitor {

class OutputCheckProcedure {
 public:
  static constexpr int kPauseMs = 100;
  static constexpr int kSettlePolls = 5;   // before the first output and after the last
  static constexpr int kOutputPolls = 30;  // while an output settles

  // resistor: the calibration load resistor of the device's type; nullopt for a type
  // without one (the check then ends with "ERROR: Unknown Device Type").
  explicit OutputCheckProcedure(std::optional<double> resistor) : resistor_(resistor) {}

  // The next action: kEnableOutput, kDisableOutput, kGetStatus, kDelay, kShowError,
  // then kFinished, which repeats.
  calibration::Action Next();
  // What the window shows after a status poll, whether it succeeded or not.
  void Shown(const calibration::Readings& readings) { shown_ = readings; }
  // The program is closing: the output under test goes off, and the check ends.
  void Stop();

 private:
  enum class Phase { kBegin, kOutput, kJudge, kEnd, kOver };

  void Advance();
  calibration::Action& Push(calibration::ActionKind kind, int value = 0);
  void PushSettle();
  void PushError(std::string title, std::string text);

  std::optional<double> resistor_;
  Phase phase_ = Phase::kBegin;
  std::deque<calibration::Action> pending_;
  calibration::Readings shown_;
  int output_ = 0;           // output under test
  int enabled_output_ = -1;  // output the driver has switched on, -1 none
};

}  // namespace corvid::monitor
