#include "corvid/core/procedure.h"

#include "common/core/hex_text.h"
#include "corvid/core/factor_texts.h"

namespace corvid::calibration {

CalibrationProcedure::CalibrationProcedure(int device_type, WorkingValues values)
    : device_type_(device_type), values_(values) {}

Action CalibrationProcedure::Next() {
  while (pending_.empty()) {
    if (phase_ == Phase::kAwaitVoltage || phase_ == Phase::kAwaitCurrent || phase_ == Phase::kOver)
      return {};
    Advance();
  }
  Action action = std::move(pending_.front());
  pending_.pop_front();
  if (action.kind == ActionKind::kEnableOutput) enabled_output_ = action.value;
  if (action.kind == ActionKind::kDisableOutput || action.kind == ActionKind::kDisableAllOutputs)
    enabled_output_ = -1;
  return action;
}

void CalibrationProcedure::Start() {
  if (!start_enabled_) return;
  if (phase_ == Phase::kAwaitVoltage) {
    start_enabled_ = false;
    // The device measures with the defaults, whatever was there before.
    Push(ActionKind::kLoadDefaults);
    Push(ActionKind::kSetCalibration);
    PushSettle(false);
    phase_ = Phase::kVoltageFactors;
  } else if (phase_ == Phase::kAwaitCurrent) {
    start_enabled_ = false;
    PushSettle(false);
    phase_ = Phase::kCurrentHeader;
  }
}

void CalibrationProcedure::Cancel() {
  if (phase_ == Phase::kOver) return;
  pending_.clear();
  start_enabled_ = false;
  if (enabled_output_ >= 0) Push(ActionKind::kDisableOutput, enabled_output_);
  Push(ActionKind::kCancelled);
  phase_ = Phase::kOver;
}

void CalibrationProcedure::Stop(const Message& message) {
  if (phase_ == Phase::kOver) return;
  pending_.clear();
  Push(ActionKind::kShowError).message = message;
  Push(ActionKind::kDisableAllOutputs);
  Push(ActionKind::kCancelled);
  start_enabled_ = false;
  phase_ = Phase::kOver;
}

Action& CalibrationProcedure::Push(ActionKind kind, int value) {
  Action& action = pending_.emplace_back();
  action.kind = kind;
  action.value = value;
  return action;
}

void CalibrationProcedure::PushSettle(bool delay_first) {
  for (int i = 0; i < kSettlePolls; ++i) {
    if (delay_first) Push(ActionKind::kDelay, kSettleMs);
    Push(ActionKind::kGetStatus);
    if (!delay_first) Push(ActionKind::kDelay, kSettleMs);
  }
}

void CalibrationProcedure::WriteFactor(int index, std::uint16_t factor) {
  Push(ActionKind::kWriteFactor, index).text = common::HexNumber(factor);
}

void CalibrationProcedure::StopStep(const Message& message) {
  Push(ActionKind::kShowError).message = message;
  if (enabled_output_ >= 0) Push(ActionKind::kDisableOutput, enabled_output_);
  Push(ActionKind::kCancelled);
  start_enabled_ = false;
  phase_ = Phase::kOver;
}

void CalibrationProcedure::JudgeVoltage(int output, double reading) {
  if (VoltageReadingPasses(values_.cal_voltage, reading)) return;
  check_passed_ = false;
  off_band_ += VoltageOffLine(output, reading, values_.cal_voltage);
}

void CalibrationProcedure::PrepareStep(CalMode mode) {
  mode_ = mode;
  const auto instructions = StepInstructions(mode, device_type_, values_.cal_voltage, label_);
  label_ = instructions.label;
  start_enabled_ = instructions.start_enabled;
  Push(ActionKind::kAwaitStart, static_cast<int>(mode));
}

void CalibrationProcedure::Advance() {
  switch (phase_) {
    case Phase::kBegin:
      // A zero setting would make every factor 0 or divide by zero: refuse before the
      // device's factors are touched.
      if (!SettingUsable(values_.cal_voltage) || !SettingUsable(values_.cal_resistor)) {
        Push(ActionKind::kShowError).message = SettingUsable(values_.cal_voltage)
                                                   ? ResistorSettingMessage(values_.cal_resistor)
                                                   : VoltageSettingMessage(values_.cal_voltage);
        Push(ActionKind::kFinished);
        phase_ = Phase::kOver;
        return;
      }
      Push(ActionKind::kDisableAllOutputs);
      Push(ActionKind::kLoadDefaults);
      Push(ActionKind::kSetCalibration);
      Push(ActionKind::kDelay, kSettleMs);
      Push(ActionKind::kGetStatus);
      Push(ActionKind::kDelay, kSettleMs);
      phase_ = Phase::kPrepareVoltage;
      return;

    case Phase::kPrepareVoltage:
      PrepareStep(CalMode::kVoltage);
      phase_ = Phase::kAwaitVoltage;
      return;

    case Phase::kVoltageFactors: {
      label_ = kVoltageProgress;
      const double mains = shown_.mains;
      if (mains == 0) return StopStep(MainsZeroMessage());
      const auto signal_power =
          VoltageFactor(values_.cal_voltage, mains, values_.voltage_factor_base);
      if (!signal_power) return StopStep(MainsOutOfRangeMessage(mains, values_.cal_voltage));
      WriteFactor(kSignalPowerIndex, *signal_power);
      for (int i = 0; i < kOutputs; ++i) {
        label_ += OutputProgress(i);
        const double volts = shown_.volts[i];
        if (volts == 0) return StopStep(VoltageZeroMessage(CalMode::kVoltage, i));
        const auto factor = VoltageFactor(values_.cal_voltage, volts, values_.voltage_factor_base);
        if (!factor) return StopStep(VoltageOutOfRangeMessage(i, volts, values_.cal_voltage));
        WriteFactor(i, *factor);
      }
      Push(ActionKind::kSetCalibration);
      PushSettle(false);
      phase_ = Phase::kVoltageSent;
      return;
    }

    case Phase::kVoltageSent:
      label_ += kVoltageDone;
      Push(ActionKind::kDelay, kSettleMs);
      Push(ActionKind::kGetStatus);
      Push(ActionKind::kDelay, kSettleMs);
      phase_ = Phase::kVoltageCheck;
      return;

    case Phase::kVoltageCheck:
      JudgeVoltage(-1, shown_.mains);
      for (int i = 0; i < kOutputs; ++i) JudgeVoltage(i, shown_.volts[i]);
      if (!check_passed_) {  // no current step on a device that measures voltage wrong
        phase_ = Phase::kReport;
        return;
      }
      PrepareStep(CalMode::kCurrent);
      phase_ = Phase::kAwaitCurrent;
      return;

    case Phase::kCurrentHeader:
      label_ += kCurrentProgress;
      output_ = 0;
      phase_ = Phase::kCurrentOutput;
      return;

    case Phase::kCurrentOutput:
      Push(ActionKind::kEnableOutput, output_);
      label_ += OutputProgress(output_);
      PushSettle(true);
      Push(ActionKind::kGetStatus);
      phase_ = Phase::kCurrentFactor;
      return;

    case Phase::kCurrentFactor: {
      const double volts = shown_.volts[output_];
      const double milliamps = shown_.amps[output_];
      if (volts == 0) return StopStep(VoltageZeroMessage(CalMode::kCurrent, output_));
      if (milliamps == 0) return StopStep(CurrentZeroMessage(output_));
      const auto factor =
          CurrentFactor(volts, milliamps, values_.cal_resistor, values_.current_factor_base);
      if (!factor) {
        return StopStep(CurrentOutOfRangeMessage(
            output_, milliamps, ExpectedMilliamps(volts, values_.cal_resistor).value_or(0)));
      }
      WriteFactor(kFirstCurrentIndex + output_, *factor);
      Push(ActionKind::kDisableOutput, output_);
      phase_ = ++output_ < kOutputs ? Phase::kCurrentOutput : Phase::kCurrentSend;
      return;
    }

    case Phase::kCurrentSend:
      Push(ActionKind::kSetCalibration);
      PushSettle(false);
      phase_ = Phase::kCurrentSent;
      return;

    case Phase::kCurrentSent:
      label_ += kCurrentDone;
      output_ = 0;
      phase_ = Phase::kCheckOutput;
      return;

    case Phase::kCheckOutput:
      Push(ActionKind::kEnableOutput, output_);
      PushSettle(true);
      Push(ActionKind::kGetStatus);
      phase_ = Phase::kJudgeOutput;
      return;

    case Phase::kJudgeOutput:
      // Every output is checked whatever the earlier ones gave.
      if (!CurrentReadingPasses(shown_.volts[output_], shown_.amps[output_],
                                values_.cal_resistor)) {
        check_passed_ = false;
        off_band_ += CurrentOffLine(output_, shown_.volts[output_], shown_.amps[output_],
                                    values_.cal_resistor);
      }
      Push(ActionKind::kDisableOutput, output_);
      phase_ = ++output_ < kOutputs ? Phase::kCheckOutput : Phase::kReport;
      return;

    case Phase::kReport:
      label_ += ReportText(check_passed_) + off_band_;
      passed_ = check_passed_;
      Push(ActionKind::kReport).passed = check_passed_;
      Push(ActionKind::kFinished);
      phase_ = Phase::kOver;
      return;

    case Phase::kAwaitVoltage:
    case Phase::kAwaitCurrent:
    case Phase::kOver:
      return;
  }
}

}  // namespace corvid::calibration
