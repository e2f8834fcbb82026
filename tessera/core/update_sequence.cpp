#include "tessera/core/update_sequence.h"

namespace tessera::flash {

Action UpdateSequence::Next() {
  while (pending_.empty() && !over_) Advance();
  if (pending_.empty()) return {};
  Action action = std::move(pending_.front());
  pending_.pop_front();
  last_ = action.kind;
  return action;
}

void UpdateSequence::FileChosen(const std::optional<std::string>& path) {
  ok_ = path.has_value();
  if (path) file_name_ = SplitPath(*path).FullPath;
}

Action& UpdateSequence::Push(ActionKind kind, int value) {
  Action& action = pending_.emplace_back();
  action.kind = kind;
  action.value = value;
  return action;
}

void UpdateSequence::PushPhase(UpdatePhase phase, int attempt) {
  Push(ActionKind::kPhase, attempt).phase = phase;
}

void UpdateSequence::EndBusy() {
  if (busy_) Push(ActionKind::kBusy, 0);
  busy_ = false;
}

void UpdateSequence::Finish(End end, std::string reason) {
  EndBusy();
  result_.end = end;
  result_.reason = std::move(reason);
  result_.erased = erased_;
  over_ = true;
}

void UpdateSequence::Fail(End end, const std::string& reason, const std::string& detail) {
  PushPhase(UpdatePhase::kNone);
  // No closing box while the program is closing under us.
  if (!closing_) {
    Action& box = Push(ActionKind::kShowError);
    box.text = reason;
    box.detail = detail;
  }
  Finish(end, reason);
}

void UpdateSequence::AskOrCheckName() {
  if (asked_ < name_check_.questions.size() && (asked_ == 0 || ok_)) {
    Push(ActionKind::kAsk).text = name_check_.questions[asked_++].text;
    return;
  }
  // Asked up to the first Cancel: every answer but the last was OK.
  std::size_t answer = 0;
  const NameOutcome name =
      name_check_.Resolve([&](const NameQuestion&) { return ++answer < asked_ || ok_; });
  if (!name.accepted) {
    return Fail(name.reason == kUpdateCancelledText ? End::kCancelled : End::kFileRejected,
                name.reason, name.detail);
  }
  expected_checksum_ = name.expected_checksum;
  Push(ActionKind::kOpenFile);
}

void UpdateSequence::StartAttempt() {
  PushPhase(UpdatePhase::kErase, attempt_);
  Push(ActionKind::kErase);
}

void UpdateSequence::PassOver(const std::optional<std::string>& error) {
  if (error) return AttemptOver(error);
  PushPhase(UpdatePhase::kChecksum, attempt_);
  Push(ActionKind::kNewChecksum);
}

void UpdateSequence::AttemptOver(const std::optional<std::string>& error) {
  // A failed attempt starts again with the erase.
  if (error && !closing_ && attempt_ < kProgrammingAttempts) {
    ++attempt_;
    return StartAttempt();
  }
  if (error) {
    EndBusy();
    return Fail(End::kFailed, *error);
  }
  PushPhase(UpdatePhase::kReboot);
  Push(ActionKind::kReboot);
}

void UpdateSequence::Advance() {
  // Ignore or Abort in a port failure report ends the run after its exchange (before the
  // erase, Ignore leaves the unit as it was); an erase that was answered all the same
  // still has its checksum asked once.
  if (stop_ && (last_ != ActionKind::kErase || !ok_)) {
    return Finish(*stop_ == End::kFailed && !erased_ ? End::kUnitRefused : *stop_);
  }
  switch (last_) {
    case ActionKind::kEnd:
      // Only units with a flash loader can be updated in the field. A unit that never
      // identified itself may be sitting in a loader that an unfinished update left
      // running; whether it is, is asked only once the user has agreed and chosen a file.
      if (!loader_running_) refusal_ = SupportCheck(identity_);
      unknown_ = !identity_.extended_unit && identity_.comm_version == 0;
      if (refusal_ && !unknown_) return Fail(End::kUnitRefused, *refusal_);
      Push(ActionKind::kCaution).text = kCautionText;
      return;

    case ActionKind::kCaution:
      if (!ok_) return Finish(End::kCancelled);
      return Queue(ActionKind::kChooseFile);

    case ActionKind::kChooseFile:
      if (!ok_) return Finish(End::kCancelled);
      if (refusal_) return Queue(ActionKind::kProbeLoader);
      [[fallthrough]];
    case ActionKind::kProbeLoader:
      // A unit that never identified itself and has no loader running is not answering:
      // its revision is not known to be too old.
      if (!ok_) return Fail(End::kUnitRefused, unknown_ ? "TBX Not Responding" : *refusal_);
      // The name carries model, version type, revision and the expected image checksum.
      name_check_ =
          CheckHexFileName(file_name_, identity_.firmware_type, identity_.firmware_revision);
      return AskOrCheckName();

    case ActionKind::kAsk:
      return AskOrCheckName();

    case ActionKind::kOpenFile:
      if (!validation_) return Finish(aborted_ ? End::kAborted : End::kFileRejected);
      if (!validation_->ok) {
        return Fail(End::kFileRejected, validation_->reason, validation_->detail);
      }
      records_ = static_cast<int>(validation_->data_records);
      busy_ = true;
      Push(ActionKind::kBusy, 1);
      PushPhase(UpdatePhase::kLaunch);
      return Queue(ActionKind::kLaunch);

    case ActionKind::kLaunch:
      if (closing_ && !ok_) return Finish(End::kUnitRefused);
      return Queue(ok_ ? ActionKind::kReadId : ActionKind::kAskLaunchRetry);

    case ActionKind::kAskLaunchRetry:
      if (!ok_) return Finish(End::kUnitRefused);
      return Queue(ActionKind::kLaunch);

    case ActionKind::kReadId:
      if (!codes_) return Fail(End::kUnitRefused, kReadIdFailedText);
      if (const auto refusal = DeviceCheck(*codes_)) return Fail(End::kUnitRefused, *refusal);
      erased_ = true;
      return StartAttempt();

    case ActionKind::kErase:
      if (!ok_) return AttemptOver(kEraseFailedText);
      return Queue(ActionKind::kEraseChecksum);

    case ActionKind::kEraseChecksum:
      if (auto failure = EraseCheck(true, checksum_)) return AttemptOver(failure);
      PushPhase(UpdatePhase::kProgram, attempt_);
      Push(ActionKind::kStartPass).total = records_;
      Push(ActionKind::kNextRecord);
      done_ = 0;
      return;

    case ActionKind::kNextRecord:
      if (!record_) return PassOver(error_);
      return Queue(ActionKind::kProgramRecord);

    case ActionKind::kProgramRecord:
      // Nothing was sent, and nothing is read or compared past the 32-byte buffer.
      if (!program_) return PassOver(RecordTooLongText(record_->address, record_->data.size()));
      return Queue(ActionKind::kReadRecord);

    case ActionKind::kReadRecord:
      error_ = RecordCheck(*program_, read_back_, record_->data);
      Push(ActionKind::kRecordDone, ++done_).total = records_;
      return;

    case ActionKind::kRecordDone:
      if (error_) return PassOver(error_);
      return Queue(ActionKind::kNextRecord);

    case ActionKind::kNewChecksum:
      return AttemptOver(NewChecksumCheck(checksum_, expected_checksum_));

    case ActionKind::kReboot:
    case ActionKind::kIdentify:
      if (!ok_) {
        EndBusy();
        return Fail(End::kFailed,
                    last_ == ActionKind::kReboot ? kRebootFailedText : kNoIdentityText);
      }
      // The restarted unit says what it runs now.
      if (last_ == ActionKind::kReboot) return Queue(ActionKind::kIdentify);
      EndBusy();
      PushPhase(UpdatePhase::kNone);
      Push(ActionKind::kShowSummary).text = SummaryText(file_name_, identity_);
      return Finish(End::kCompleted, pending_.back().text);

    case ActionKind::kBusy:
    case ActionKind::kPhase:
    case ActionKind::kStartPass:
    case ActionKind::kShowError:
    case ActionKind::kShowSummary:
      return;  // never the last of a batch
  }
}

}  // namespace tessera::flash
