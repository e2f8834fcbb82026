// The full (guided) calibration as a step machine: it decides, a driver acts. The
// driver takes one action at a time from Next() and performs it (an exchange, a pause,
// a change in a window), reports what the main window shows after every status poll
// with Shown(), and passes the technician's Start and Cancel on. Nothing here waits,
// talks to a port or touches a widget.
//
// One run: outputs off, defaults sent; voltage step (instructions, Start, defaults
// again, readings, voltage factors sent); voltage check; current step (instructions,
// Start, each output on in turn, current factors sent); current check; report. A zero
// reading, a factor that does not fit, or Cancel ends it without a report.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "corvid/core/calibration_math.h"
#include "corvid/core/instructions.h"

namespace corvid::calibration {

enum class ActionKind {
  kNone,               // nothing to do: waiting for Start or Cancel, or the run is over
  kDisableAllOutputs,  // tick all six output-disable boxes
  kEnableOutput,       // clear the disable box of output value
  kDisableOutput,      // tick the disable box of output value
  kLoadDefaults,       // "Load Default" in the factors window, and show it
  kWriteFactor,        // factor box value (factor order) = text
  kSetCalibration,     // SetCalibration with the factors window's 13 boxes
  kGetStatus,          // GetStatus, then Shown() with what the window shows
  kDelay,              // Delay(value) milliseconds, events running
  kAwaitStart,         // show the calibration window with Instructions() and its Start
                       // button as StartEnabled(), start the flashing; wait for Start()
                       // or Cancel()
  kShowError,          // error box with message
  kReport,             // stop the flashing; the status lamp solid green / red; the cancel button
                       // reads "Done" / "Error" (passed)
  kCancelled,          // as Cancel: polling on, the calibration window closed. The last action.
  kFinished,           // polling on, Full Calibrate on. The last action. (Check Outputs, which
                       // uses the same actions: the check is over.)
};

struct Action {
  ActionKind kind = ActionKind::kNone;
  int value = 0;        // output, factor index, milliseconds or CalMode
  std::string text;     // kWriteFactor
  Message message;      // kShowError
  bool passed = false;  // kReport
  bool operator==(const Action&) const = default;
};

class CalibrationProcedure {
 public:
  static constexpr int kSettleMs = 100;
  static constexpr int kSettlePolls = 5;

  // device_type decides the instructions (an unknown type leaves Start off).
  CalibrationProcedure(int device_type, WorkingValues values);

  // The next action; kNone while the technician is to answer and once the run is over.
  Action Next();
  // What the main window shows now (after a status poll, whether it succeeded or not).
  void Shown(const Readings& readings) { shown_ = readings; }
  // Start: performs the step that kAwaitStart prepared. Ignored at any other time
  // and while Start is disabled.
  void Start();
  // Cancel: stops at once; an output the run switched on is switched off again.
  // Ignored once the run has ended.
  void Cancel();
  // The driver could not do what was asked (the device stopped answering): the run
  // ends with the error box, every output disabled. Ignored once the run has ended.
  void Stop(const Message& message);

  const std::string& Instructions() const { return label_; }  // the instructions text
  bool StartEnabled() const { return start_enabled_; }
  CalMode Mode() const { return mode_; }
  bool Over() const { return phase_ == Phase::kOver && pending_.empty(); }
  // Set by the report; nullopt when the run ended without one.
  std::optional<bool> Passed() const { return passed_; }

 private:
  enum class Phase {
    kBegin,
    kPrepareVoltage,
    kAwaitVoltage,
    kVoltageFactors,
    kVoltageSent,
    kVoltageCheck,
    kAwaitCurrent,
    kCurrentHeader,
    kCurrentOutput,
    kCurrentFactor,
    kCurrentSend,
    kCurrentSent,
    kCheckOutput,
    kJudgeOutput,
    kReport,
    kOver,
  };

  // Queues the actions of the phase reached once the earlier ones are done.
  void Advance();
  Action& Push(ActionKind kind, int value = 0);
  void PushSettle(bool delay_first);
  void WriteFactor(int index, std::uint16_t factor);
  void StopStep(const Message& message);
  void PrepareStep(CalMode mode);
  void JudgeVoltage(int output, double reading);

  int device_type_;
  WorkingValues values_;
  Phase phase_ = Phase::kBegin;
  std::deque<Action> pending_;
  Readings shown_;
  std::string label_;
  bool start_enabled_ = false;
  CalMode mode_ = CalMode::kVoltage;
  int output_ = 0;           // output under test in the current step and check
  int enabled_output_ = -1;  // output the driver has switched on, -1 none
  bool check_passed_ = true;
  std::string off_band_;  // a line for each reading a check found outside its band
  std::optional<bool> passed_;
};

}  // namespace corvid::calibration
