#include "corvid/session/guided_calibration.h"

#include "common/qtcore/poll_loop.h"
#include "common/qtcore/prompts.h"
#include "corvid/session/factor_boxes.h"
#include "corvid/session/session.h"

namespace corvid::calibration {
namespace {

QString Qt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void ShowError(common::Prompts& prompts, const Message& message) {
  prompts.Show({.title = Qt(message.title),
                .text = Qt(message.text),
                .buttons = common::Buttons::kOk,
                .icon = common::Icon::kCritical,
                .detail = {}});
}

GuidedCalibration::GuidedCalibration(Session& session, common::Prompts& prompts, FactorBoxes& boxes,
                                     CalibrationView& view, QTimer* start_timer, QObject* parent)
    : QObject(parent),
      session_(session),
      prompts_(prompts),
      boxes_(boxes),
      view_(view),
      start_timer_(start_timer) {
  if (start_timer_ == nullptr) {
    start_timer_ = new QTimer(this);
    start_timer_->setObjectName(kStartTimerName);
  }
  start_timer_->setInterval(kStartDelayMs);
  connect(start_timer_, &QTimer::timeout, this, [this] {
    start_timer_->stop();
    if (!running_ || procedure_) return;
    // Never inside a tick's or anyone else's exchange.
    session_.RunWhenIdle([self = QPointer(this)] {
      if (self) self->Begin();
    });
  });
  pause_.setSingleShot(true);
  pause_.setTimerType(::Qt::PreciseTimer);
  connect(&pause_, &QTimer::timeout, this, &GuidedCalibration::Step);
}

GuidedCalibration::~GuidedCalibration() {
  // The window (and this with it) can go while a run waits; polling must not stay off.
  if (running_) {
    session_.ReleaseOutputs(Session::OutputsUser::kCalibration);
    session_.Loop().Resume();
  }
}

void GuidedCalibration::PrepareWorkingValues() {
  const int type = session_.state().device_type;
  const CalibrationSettings& cal = session_.settings().cal;
  const auto values = ChooseWorkingValues(type, cal.VoltageFor(type).value_or(0),
                                          cal.ResistorFor(type).value_or(0));
  if (!values) {
    ShowError(prompts_, UnknownDeviceTypeMessage());
    return;
  }
  working_ = values;
  // A run in progress keeps "Auto" off: a second one would share its link and boxes.
  if (!running_ && !armed_) {
    armed_ = true;
    emit StateChanged();
  }
}

void GuidedCalibration::Auto() {
  if (!AutoAvailable() || !working_) return;
  if (!session_.Responding()) {
    ShowError(prompts_, NotRespondingMessage());
    return;
  }
  // A Check Outputs queued before this click finds the outputs taken and does not run.
  if (!session_.ClaimOutputs(Session::OutputsUser::kCalibration)) return;
  armed_ = false;
  running_ = true;
  last_result_.reset();
  session_.Loop().Suspend();
  start_timer_->stop();
  start_timer_->setInterval(kStartDelayMs);
  start_timer_->start();
  emit StateChanged();
}

void GuidedCalibration::Begin() {
  if (!running_ || procedure_) return;
  procedure_.emplace(session_.state().device_type, *working_);
  shown_instructions_.clear();
  Step();
}

void GuidedCalibration::Start() {
  if (!procedure_) return;
  procedure_->Start();
  if (!pause_.isActive()) Step();
}

void GuidedCalibration::Cancel() {
  if (!procedure_) return;
  procedure_->Cancel();
  pause_.stop();  // a pause in progress ends now
  Step();
}

void GuidedCalibration::Step() {
  // Start or Cancel during one of the step's exchanges or boxes: the step in progress
  // takes the change up when it gets there.
  if (in_step_) return;
  in_step_ = true;
  while (procedure_) {
    if (session_.Loop().Stopped()) {  // the program is closing
      Abort();
      break;
    }
    const Action action = procedure_->Next();
    if (procedure_->Instructions() != shown_instructions_) {
      shown_instructions_ = procedure_->Instructions();
      if (action.kind != ActionKind::kAwaitStart) view_.ShowInstructions(Qt(shown_instructions_));
    }
    if (action.kind == ActionKind::kNone) break;  // the technician's turn
    if (Perform(action) != Flow::kGoOn) break;
  }
  in_step_ = false;
}

GuidedCalibration::Flow GuidedCalibration::Perform(const Action& action) {
  switch (action.kind) {
    case ActionKind::kNone:
      return Flow::kGoOn;
    case ActionKind::kDisableAllOutputs:
      for (int i = 0; i < kOutputs; ++i) session_.SetOutputDisabled(i, true);
      return Flow::kGoOn;
    case ActionKind::kEnableOutput:
      session_.SetOutputDisabled(action.value, false);
      return Flow::kGoOn;
    case ActionKind::kDisableOutput:
      session_.SetOutputDisabled(action.value, true);
      return Flow::kGoOn;
    case ActionKind::kLoadDefaults:
      boxes_.LoadDefaults(session_.state().device_type);
      view_.ShowFactors();
      return Flow::kGoOn;
    case ActionKind::kWriteFactor:
      boxes_.SetText(action.value, Qt(action.text));
      return Flow::kGoOn;
    case ActionKind::kSetCalibration:
      Exchange(&Session::SetCalibration);
      return Flow::kGoOn;
    case ActionKind::kGetStatus:
      if (Exchange(&Session::GetStatus) && procedure_)
        procedure_->Shown(AsShown(session_.LastStatus()));
      return Flow::kGoOn;
    case ActionKind::kDelay:
      pause_.start(action.value * pause_ms_ / CalibrationProcedure::kSettleMs);
      return Flow::kPause;
    case ActionKind::kAwaitStart:
      view_.PrepareStep(static_cast<CalMode>(action.value), Qt(procedure_->Instructions()),
                        procedure_->StartEnabled());
      return Flow::kGoOn;
    case ActionKind::kShowError:
      ShowError(prompts_, action.message);
      return Flow::kGoOn;
    case ActionKind::kReport:
      view_.ShowReport(action.passed);
      return Flow::kGoOn;
    case ActionKind::kCancelled:
      view_.CloseStep();
      EndRun(false);
      return Flow::kEnd;
    case ActionKind::kFinished:
      EndRun(true);
      return Flow::kEnd;
  }
  return Flow::kGoOn;
}

bool GuidedCalibration::Exchange(bool (Session::*command)()) {
  for (int n = 0; n < kTries; ++n) {
    if ((session_.*command)()) return true;
    if (session_.Loop().Stopped()) return false;  // closing: Step ends the run
  }
  // Going on would compute factors from stale readings and report them as a result.
  if (procedure_) procedure_->Stop(StoppedAnsweringMessage(command == &Session::SetCalibration));
  return false;
}

void GuidedCalibration::EndRun(bool rearm) {
  last_result_ = procedure_ ? procedure_->Passed() : std::nullopt;
  procedure_.reset();
  pause_.stop();
  running_ = false;
  armed_ = rearm;
  // A stopped run may have computed factors it never sent: the boxes go back to what
  // the device holds, so "Set" cannot send half a calibration.
  if (const auto& sent = session_.SentFactors(); sent && boxes_.Factors() != sent)
    boxes_.SetFactors(*sent);
  session_.ReleaseOutputs(Session::OutputsUser::kCalibration);
  session_.Loop().Resume();
  emit StateChanged();
}

void GuidedCalibration::Abort() {
  for (int i = 0; i < kOutputs; ++i) session_.SetOutputDisabled(i, true);
  view_.CloseStep();
  EndRun(false);
}

}  // namespace corvid::calibration
