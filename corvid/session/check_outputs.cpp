#include "corvid/session/check_outputs.h"

#include <QPointer>

#include "common/qtcore/event_wait.h"
#include "corvid/session/guided_calibration.h"
#include "corvid/session/session.h"

namespace corvid {

using calibration::Action;
using calibration::ActionKind;

CheckOutputsRun::CheckOutputsRun(Session& session, common::Prompts& prompts, QObject* parent)
    : QObject(parent), session_(session), prompts_(prompts) {
  pause_.setSingleShot(true);
  pause_.setTimerType(Qt::PreciseTimer);
  connect(&pause_, &QTimer::timeout, this, [this] {
    // A pause can end inside a tick's exchange: the check goes on once the link is free,
    // or its status command would be refused and a box would hold the tick up.
    session_.RunWhenIdle([self = QPointer(this)] {
      if (!self || !self->procedure_) return;
      if (common::AppQuitting() || self->session_.Loop().Stopped()) self->procedure_->Stop();
      self->Step();
    });
  });
}

CheckOutputsRun::~CheckOutputsRun() {
  if (!procedure_) return;
  procedure_->Stop();
  for (Action a = procedure_->Next(); a.kind == ActionKind::kDisableOutput; a = procedure_->Next())
    session_.SetOutputDisabled(a.value, true);
  session_.ReleaseOutputs(Session::OutputsUser::kCheckOutputs);
}

bool CheckOutputsRun::Start() {
  if (procedure_ || !session_.ClaimOutputs(Session::OutputsUser::kCheckOutputs)) return false;
  hourglass_.emplace(prompts_);
  procedure_.emplace(session_.settings().cal.ResistorFor(session_.state().device_type));
  Step();
  return true;
}

void CheckOutputsRun::Step() {
  while (procedure_) {
    const Action action = procedure_->Next();
    switch (action.kind) {
      case ActionKind::kEnableOutput:
      case ActionKind::kDisableOutput:
        session_.SetOutputDisabled(action.value, action.kind == ActionKind::kDisableOutput);
        break;
      case ActionKind::kGetStatus:
        // A failed poll leaves the last good reading to judge by, as the window does.
        session_.GetStatus();
        procedure_->Shown(calibration::AsShown(session_.LastStatus()));
        break;
      case ActionKind::kShowError:
        calibration::ShowError(prompts_, action.message);
        break;
      case ActionKind::kDelay:
        pause_.start(action.value * pause_ms_ / monitor::OutputCheckProcedure::kPauseMs);
        return;
      default:  // kFinished
        End();
        return;
    }
  }
}

void CheckOutputsRun::End() {
  procedure_.reset();
  hourglass_.reset();
  session_.ReleaseOutputs(Session::OutputsUser::kCheckOutputs);
  emit Finished();
}

}  // namespace corvid
