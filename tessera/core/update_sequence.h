// The firmware update as a step machine: it decides, a driver acts. The driver takes one
// action at a time from Next(), performs it (a question, the file dialog, a loader
// exchange, a box, a phase to show) and feeds back what came of it through the method
// the action names. Nothing here waits, talks to a port or shows a box.
//
// One run: support check; caution; file; for a unit of unknown identity only now the
// probe for a loader left running; the file name's questions; open and validate; launch,
// retried as the user asks; device codes; up to kProgrammingAttempts attempts of erase,
// erase checksum, records and new checksum; reboot; identify; summary. Ignore or Abort in
// a port failure report ends it at once, without a closing box.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "tessera/core/hex_file.h"
#include "tessera/core/update_steps.h"

namespace tessera::flash {

// How an update ended, for the caller that has to act on it.
struct UpdateResult {
  enum class End {
    kCompleted,     // "Firmware Update Successfully Completed"
    kCancelled,     // the user said no at a question; the unit was not touched
    kFileRejected,  // the file was refused before anything was sent to the loader
    kUnitRefused,   // no reflash support, no launch, no or unsupported device codes
    kFailed,        // a failure once the erase was sent: the unit needs the update again
                    // (Ignore in a port failure report ends here too, or in
                    // kUnitRefused before the erase, with no closing box)
    kAborted,       // Abort in a file or port error report: the program is to end now
  };
  End end = End::kCancelled;
  std::string reason;           // the closing box's text; empty when none was shown
  bool erased = false;          // an erase request went out
  bool loader_running = false;  // the unit waits in its loader (polling stays stopped)
};

// What the driver is to do next, and which method takes its outcome.
enum class ActionKind {
  kEnd,             // the run is over: Result()
  kCaution,         // OK/Cancel question `text` (warning icon, Cancel default): Answered
  kChooseFile,      // the open-file dialog: FileChosen
  kProbeLoader,     // look for a loader left running: Done
  kAsk,             // as kCaution, a question about the file name
  kOpenFile,        // open FileName() and validate it against ExpectedChecksum(): Opened
  kBusy,            // the hourglass on (value 1) or off (0)
  kPhase,           // show phase, attempt `value`
  kLaunch,          // Done (the loader runs)
  kAskLaunchRetry,  // Retry/Cancel box kLaunchFailedText: Answered (Retry)
  kReadId,          // CodesRead
  kErase,           // Done
  kEraseChecksum,   // ChecksumRead
  kStartPass,       // progress 0, records 0 of `total`, the pass from the file's start
  kNextRecord,      // the pass's next record: NextRecord
  kProgramRecord,   // Record() to the loader: Programmed
  kReadRecord,      // Record()'s address read back: ReadBack
  kRecordDone,      // Record() counted in the pass (progress); `value` of `total` done
  kNewChecksum,     // ChecksumRead
  kReboot,          // Done
  kIdentify,        // Done
  kShowError,       // the closing error box: text, detail
  kShowSummary,     // the closing success box: text
};

struct Action {
  ActionKind kind = ActionKind::kEnd;
  UpdatePhase phase = UpdatePhase::kNone;
  int value = 0;
  int total = 0;
  std::string text;
  std::string detail;
};

class UpdateSequence {
 public:
  using End = UpdateResult::End;

  // identity: the session's, read when a step needs it (the summary shows what the
  // restarted unit reported). loader_running: the loader owns the unit already.
  UpdateSequence(const UnitIdentity& identity, bool loader_running)
      : identity_(identity), loader_running_(loader_running) {}

  // The next action, decided once the ones before it were performed and their outcomes
  // fed back (Closing() too, when it applies); kEnd once the run is over.
  Action Next();

  void Answered(bool yes) { ok_ = yes; }
  void FileChosen(const std::optional<std::string>& path);
  void Done(bool ok) { ok_ = ok; }
  // nullopt: the file did not open (the file layer said why); Abort was chosen there.
  void Opened(std::optional<Validation> validation, bool aborted) {
    validation_ = std::move(validation);
    aborted_ = aborted;
  }
  void CodesRead(std::optional<DeviceCodes> codes) { codes_ = codes; }
  void ChecksumRead(std::optional<std::uint16_t> checksum) { checksum_ = checksum; }
  // The pass's next record, or nullopt with the pass's error (none at the end record).
  void NextRecord(std::optional<FlashRecord> record, std::optional<std::string> pass_error) {
    record_ = std::move(record);
    error_ = std::move(pass_error);
  }
  void Programmed(std::optional<ProgramOutcome> program) { program_ = program; }
  void ReadBack(std::optional<common::Bytes> read_back) { read_back_ = std::move(read_back); }
  // Ignore or Abort in a port failure report: the run ends after the current exchange,
  // which is not reported again.
  void PortStopped(bool aborted) { stop_ = aborted ? End::kAborted : End::kFailed; }
  // The program is closing: no further attempt or launch, no closing box.
  void Closing() { closing_ = true; }

  bool Stopping() const { return stop_.has_value(); }
  const std::string& FileName() const { return file_name_; }
  std::uint32_t ExpectedChecksum() const { return expected_checksum_; }
  const FlashRecord& Record() const { return *record_; }
  const UpdateResult& Result() const { return result_; }

 private:
  // Decides what follows the last action handed out (kEnd: none yet).
  void Advance();
  Action& Push(ActionKind kind, int value = 0);
  void Queue(ActionKind kind) { Push(kind); }
  void PushPhase(UpdatePhase phase, int attempt = 1);
  void AskOrCheckName();
  void StartAttempt();
  void PassOver(const std::optional<std::string>& error);
  void AttemptOver(const std::optional<std::string>& error);
  void Fail(End end, const std::string& reason, const std::string& detail = {});
  void Finish(End end, std::string reason = {});
  void EndBusy();

  const UnitIdentity& identity_;
  const bool loader_running_;
  std::deque<Action> pending_;
  ActionKind last_ = ActionKind::kEnd;
  bool over_ = false;
  UpdateResult result_;
  std::optional<std::string> refusal_;  // SupportCheck's, when it applies
  bool unknown_ = false;                // the unit never identified itself
  std::string file_name_;               // HexFileName: the path as chosen, trimmed
  NameCheck name_check_;
  std::size_t asked_ = 0;  // of the name check's questions
  std::uint32_t expected_checksum_ = 0;
  int records_ = 0;
  int done_ = 0;  // records programmed in this pass
  int attempt_ = 1;
  bool busy_ = false;
  bool erased_ = false;
  bool closing_ = false;
  std::optional<End> stop_;
  // What the last action came to.
  bool ok_ = false;
  bool aborted_ = false;
  std::optional<Validation> validation_;
  std::optional<DeviceCodes> codes_;
  std::optional<std::uint16_t> checksum_;
  std::optional<FlashRecord> record_;
  std::optional<std::string> error_;  // the pass's or the record's
  std::optional<ProgramOutcome> program_;
  std::optional<common::Bytes> read_back_;
};

}  // namespace tessera::flash
