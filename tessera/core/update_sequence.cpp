#include "tessera/core/update_sequence.h"

#include <utility>

namespace tessera::flash {

UpdateSequence::UpdateSequence(const UnitIdentity& identity, bool loader_running)
    : identity_(identity), loader_running_(loader_running) {}

Action UpdateSequence::Next() {
  while (pending_.empty() && phase_ != Phase::kOver) Advance();
  if (pending_.empty()) return {};
  Action action = std::move(pending_.front());
  pending_.pop_front();
  return action;
}

void UpdateSequence::FileChosen(const std::optional<std::string>& path) {
  ok_ = path.has_value();
  if (path) file_name_ = SplitPath(*path).FullPath;
}

void UpdateSequence::NotOpened(bool aborted) {
  ok_ = false;
  aborted_ = aborted;
}

void UpdateSequence::Validated(const Validation& validation) {
  ok_ = true;
  validation_ = validation;
}

void UpdateSequence::NextRecord(std::optional<FlashRecord> record,
                                std::optional<std::string> pass_error) {
  record_ = std::move(record);
  error_ = std::move(pass_error);
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

void UpdateSequence::Await(ActionKind kind, Phase phase) {
  Push(kind);
  phase_ = phase;
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
  phase_ = Phase::kOver;
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

void UpdateSequence::StartName() {
  // The name carries model, version type, revision and the expected image checksum.
  name_check_ = CheckHexFileName(file_name_, identity_.firmware_type, identity_.firmware_revision);
  asked_ = 0;
  phase_ = Phase::kName;
}

void UpdateSequence::StartAttempt() {
  PushPhase(UpdatePhase::kErase, attempt_);
  Await(ActionKind::kErase, Phase::kErase);
}

void UpdateSequence::PassOver(const std::optional<std::string>& error) {
  if (error) return AttemptOver(error);
  PushPhase(UpdatePhase::kChecksum, attempt_);
  Await(ActionKind::kChecksum, Phase::kNewChecksum);
}

void UpdateSequence::Stop() {
  // Ignore before the erase leaves the unit as it was; after it the unit needs the update.
  Finish(*stop_ == End::kFailed && !erased_ ? End::kUnitRefused : *stop_);
}

void UpdateSequence::AttemptOver(const std::optional<std::string>& error) {
  if (stop_) return Stop();
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
  Await(ActionKind::kReboot, Phase::kReboot);
}

void UpdateSequence::Advance() {
  switch (phase_) {
    case Phase::kBegin:
      // Only units with a flash loader can be updated in the field. A unit that never
      // identified itself may be sitting in a loader that an unfinished update left
      // running; whether it is, is asked only once the user has agreed and chosen a file.
      if (!loader_running_) refusal_ = SupportCheck(identity_);
      unknown_ = !identity_.extended_unit && identity_.comm_version == 0;
      if (refusal_ && !unknown_) return Fail(End::kUnitRefused, *refusal_);
      Push(ActionKind::kAsk).text = kCautionText;
      phase_ = Phase::kCaution;
      return;

    case Phase::kCaution:
      if (!ok_) return Finish(End::kCancelled);
      return Await(ActionKind::kChooseFile, Phase::kFile);

    case Phase::kFile:
      if (!ok_) return Finish(End::kCancelled);
      if (refusal_) return Await(ActionKind::kProbeLoader, Phase::kProbe);
      return StartName();

    case Phase::kProbe:
      // A unit that never identified itself and has no loader running is not answering:
      // its revision is not known to be too old.
      if (!ok_) return Fail(End::kUnitRefused, unknown_ ? "TBX Not Responding" : *refusal_);
      return StartName();

    case Phase::kName: {
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
      return Await(ActionKind::kOpenFile, Phase::kOpen);
    }

    case Phase::kOpen:
      // When the file will not open, the file layer has already said why.
      if (!ok_) return Finish(aborted_ ? End::kAborted : End::kFileRejected);
      if (!validation_.ok) {
        return Fail(End::kFileRejected, validation_.reason, validation_.detail);
      }
      records_ = static_cast<int>(validation_.data_records);
      busy_ = true;
      Push(ActionKind::kBusy, 1);
      PushPhase(UpdatePhase::kLaunch);
      return Await(ActionKind::kLaunch, Phase::kLaunch);

    case Phase::kLaunch:
      if (stop_) return Stop();
      if (ok_) return Await(ActionKind::kReadId, Phase::kReadId);
      if (closing_) return Finish(End::kUnitRefused);
      return Await(ActionKind::kAskLaunchRetry, Phase::kLaunchAnswer);

    case Phase::kLaunchAnswer:
      if (!ok_) return Finish(End::kUnitRefused);
      return Await(ActionKind::kLaunch, Phase::kLaunch);

    case Phase::kReadId:
      if (stop_) return Stop();
      if (!codes_) return Fail(End::kUnitRefused, kReadIdFailedText);
      if (const auto refusal = DeviceCheck(*codes_)) return Fail(End::kUnitRefused, *refusal);
      erased_ = true;
      attempt_ = 1;
      return StartAttempt();

    case Phase::kErase:
      // An erase answered while the port failed still has its checksum asked once.
      if (!ok_) return AttemptOver(kEraseFailedText);
      return Await(ActionKind::kChecksum, Phase::kEraseChecksum);

    case Phase::kEraseChecksum:
      if (stop_) return Stop();
      if (auto failure = EraseCheck(true, checksum_)) return AttemptOver(failure);
      PushPhase(UpdatePhase::kProgram, attempt_);
      Push(ActionKind::kStartPass).total = records_;
      done_ = 0;
      return Await(ActionKind::kNextRecord, Phase::kRecord);

    case Phase::kRecord:
      if (!record_) return PassOver(error_);
      return Await(ActionKind::kProgramRecord, Phase::kProgram);

    case Phase::kProgram:
      if (stop_) return Stop();
      // Nothing was sent, and nothing is read or compared past the 32-byte buffer.
      if (!program_) return PassOver(RecordTooLongText(record_->address, record_->data.size()));
      return Await(ActionKind::kReadRecord, Phase::kReadBack);

    case Phase::kReadBack:
      if (stop_) return Stop();
      error_ = RecordCheck(*program_, read_back_, record_->data);
      Push(ActionKind::kRecordDone, ++done_).total = records_;
      phase_ = Phase::kRecordDone;
      return;

    case Phase::kRecordDone:
      if (error_) return PassOver(error_);
      return Await(ActionKind::kNextRecord, Phase::kRecord);

    case Phase::kNewChecksum:
      if (stop_) return Stop();
      return AttemptOver(NewChecksumCheck(checksum_, expected_checksum_));

    case Phase::kReboot:
    case Phase::kIdentify:
      if (stop_) return Stop();
      if (!ok_) {
        EndBusy();
        return Fail(End::kFailed, phase_ == Phase::kReboot ? kRebootFailedText : kNoIdentityText);
      }
      // The restarted unit says what it runs now.
      if (phase_ == Phase::kReboot) return Await(ActionKind::kIdentify, Phase::kIdentify);
      EndBusy();
      PushPhase(UpdatePhase::kNone);
      Push(ActionKind::kShowSummary).text = SummaryText(file_name_, identity_);
      return Finish(End::kCompleted, SummaryText(file_name_, identity_));

    case Phase::kOver:
      return;
  }
}

}  // namespace tessera::flash
