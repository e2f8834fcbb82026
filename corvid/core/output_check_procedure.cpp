#include "corvid/core/output_check_procedure.h"

#include "corvid/core/output_check.h"

namespace corvid::monitor {

using calibration::Action;
using calibration::ActionKind;

Action OutputCheckProcedure::Next() {
  while (pending_.empty()) {
    if (phase_ == Phase::kOver) {
      Action finished;
      finished.kind = ActionKind::kFinished;
      return finished;
    }
    Advance();
  }
  Action action = std::move(pending_.front());
  pending_.pop_front();
  if (action.kind == ActionKind::kEnableOutput) enabled_output_ = action.value;
  if (action.kind == ActionKind::kDisableOutput) enabled_output_ = -1;
  return action;
}

void OutputCheckProcedure::Stop() {
  pending_.clear();
  if (enabled_output_ >= 0) Push(ActionKind::kDisableOutput, enabled_output_);
  phase_ = Phase::kOver;
}

void OutputCheckProcedure::Advance() {
  switch (phase_) {
    case Phase::kBegin:
      if (!resistor_) {
        PushError("Device Error", "ERROR: Unknown Device Type");
        phase_ = Phase::kOver;
        return;
      }
      if (!(*resistor_ > 0)) {
        PushError("Output Current Error",
                  "The calibration current resistor is 0 Ohms: the output currents cannot be "
                  "checked.");
      }
      PushSettle();
      phase_ = Phase::kOutput;
      return;
    case Phase::kOutput:
      Push(ActionKind::kEnableOutput, output_);
      for (int n = 0; n < kOutputPolls; ++n) {
        Push(ActionKind::kDelay, kPauseMs);
        Push(ActionKind::kGetStatus);
      }
      // One more, and the output is judged by what the window shows after it.
      Push(ActionKind::kGetStatus);
      phase_ = Phase::kJudge;
      return;
    case Phase::kJudge: {
      const OutputVerdict verdict = JudgeOutput(output_, shown_.volts[output_],
                                                shown_.amps[output_], shown_.mains, *resistor_);
      for (const CheckMessage& m : verdict.messages) PushError(m.title, m.text);
      Push(ActionKind::kDisableOutput, output_);
      if (verdict.stop) {
        phase_ = Phase::kOver;
      } else if (++output_ < kOutputs) {
        phase_ = Phase::kOutput;
      } else {
        phase_ = Phase::kEnd;
      }
      return;
    }
    case Phase::kEnd:
      PushSettle();
      phase_ = Phase::kOver;
      return;
    case Phase::kOver:
      return;
  }
}

Action& OutputCheckProcedure::Push(ActionKind kind, int value) {
  Action& action = pending_.emplace_back();
  action.kind = kind;
  action.value = value;
  return action;
}

void OutputCheckProcedure::PushSettle() {
  for (int n = 0; n < kSettlePolls; ++n) {
    Push(ActionKind::kGetStatus);
    Push(ActionKind::kDelay, kPauseMs);
  }
}

void OutputCheckProcedure::PushError(std::string title, std::string text) {
  Push(ActionKind::kShowError).message = {.title = std::move(title), .text = std::move(text)};
}

}  // namespace corvid::monitor
