#include "tessera/session/update_procedure.h"

#include "common/qtcore/event_wait.h"
#include "common/qtcore/prompts.h"
#include "common/qtcore/serial_port.h"
#include "tessera/core/hex_file.h"
#include "tessera/core/update_steps.h"
#include "tessera/session/flash_loader.h"
#include "tessera/session/session.h"

namespace tessera::flash {
namespace {

using End = UpdateResult::End;

constexpr char kOpenDialogTitle[] = "Open";

QString Q(const std::string& text) { return QString::fromStdString(text); }

UpdateResult Ended(End end, std::string reason = {}, bool erased = false) {
  UpdateResult result;
  result.end = end;
  result.reason = std::move(reason);
  result.erased = erased;
  return result;
}

}  // namespace

UpdateProcedure::UpdateProcedure(Session& session, FlashLoader& loader, common::Prompts& prompts,
                                 QObject* parent)
    : QObject(parent), session_(session), loader_(loader), prompts_(prompts), file_(prompts) {}

UpdateResult UpdateProcedure::Run() {
  if (running_) return {};
  running_ = true;
  stop_.reset();
  UpdateResult result = Update();
  SetPhase(UpdatePhase::kNone);
  file_.CloseFiles();
  result.loader_running = loader_.LoaderRunning();
  running_ = false;
  return result;
}

bool UpdateProcedure::Confirm(const std::string& text) {
  return prompts_.Show({.title = kUpdateTitle,
                        .text = Q(text),
                        .buttons = common::Buttons::kOkCancel,
                        .icon = common::Icon::kWarning,
                        .detail = {},
                        .default_answer = common::Answer::kCancel}) == common::Answer::kOk;
}

void UpdateProcedure::SetPhase(UpdatePhase phase, int attempt) {
  const QString text = Q(PhaseText(phase, attempt));
  if (text == phase_text_) return;
  phase_text_ = text;
  emit PhaseChanged(text, phase == UpdatePhase::kProgram);
}

bool UpdateProcedure::PortFailed() {
  common::SerialPort& port = session_.Port();
  if (port.IsOpen() || common::AppQuitting()) return false;
  const QString status = port.StatusText().isEmpty() ? "Disconnected" : port.StatusText();
  const FileError report{.number = kPortFailedError,
                         .routine = kReFlashRoutine,
                         .source = port.Description().toStdString(),
                         .line = std::nullopt,
                         .context = ReFlashContext(hex_file_name_),
                         .description = status.toStdString()};
  bool aborted = false;
  if (ReportError(prompts_, report, aborted)) return true;
  stop_ = aborted ? End::kAborted : End::kFailed;
  return false;
}

UpdateResult UpdateProcedure::Update() {
  const UnitIdentity& identity = session_.State().identity;
  bool erased = false;
  // The closing error box, unless the program is closing under us.
  const auto fail = [&](End end, const std::string& reason, const std::string& detail = {}) {
    SetPhase(UpdatePhase::kNone);
    if (!common::AppQuitting()) {
      prompts_.Show({.title = kUpdateErrorTitle,
                     .text = Q(reason),
                     .buttons = common::Buttons::kOk,
                     .icon = common::Icon::kCritical,
                     .detail = Q(detail)});
    }
    return Ended(end, reason, erased);
  };
  // Ignore or Abort in a port failure report: no closing box.
  const auto stopped = [&] {
    const End end = *stop_ == End::kFailed && !erased ? End::kUnitRefused : *stop_;
    return Ended(end, {}, erased);
  };

  // Only units with a flash loader can be updated in the field. A unit that never
  // identified itself may be sitting in a loader that an unfinished update left
  // running; then the update can go on from there. Whether it is, is asked only once
  // the user has agreed and chosen a file: nothing goes out before.
  std::optional<std::string> refusal;
  if (!loader_.LoaderRunning()) refusal = SupportCheck(identity);
  const bool unknown = !identity.extended_unit && identity.comm_version == 0;
  if (refusal && !unknown) return fail(End::kUnitRefused, *refusal);

  if (!Confirm(kCautionText)) return Ended(End::kCancelled);

  // Messages show the path as it is on disk; the file is opened by it.
  const std::optional<QString> chosen =
      prompts_.OpenFile(kOpenDialogTitle, kHexFilePattern, kHexFileFilter);
  if (!chosen) return Ended(End::kCancelled);
  hex_file_name_ = SplitPath(chosen->toStdString()).FullPath;
  common::Delay(1);  // let the window repaint where the dialog was

  if (refusal && !loader_.FindRunningLoader()) {
    // A unit that never identified itself and has no loader running is not answering:
    // its revision is not known to be too old.
    return fail(End::kUnitRefused, unknown ? "TBX Not Responding" : *refusal);
  }

  // The name carries model, version type, revision and the expected image checksum.
  const NameOutcome name =
      CheckHexFileName(hex_file_name_, identity.firmware_type, identity.firmware_revision)
          .Resolve([this](const NameQuestion& question) { return Confirm(question.text); });
  if (!name.accepted) {
    return fail(name.reason == kUpdateCancelledText ? End::kCancelled : End::kFileRejected,
                name.reason, name.detail);
  }

  // When the file will not open, the file layer has already said why.
  if (!file_.OpenFileToRead(Q(hex_file_name_), hex_file_name_)) {
    return Ended(file_.Aborted() ? End::kAborted : End::kFileRejected);
  }

  // The whole file is checked before the unit is touched.
  const Validation validation = ValidateHexFile(file_, hex_file_name_, name.expected_checksum);
  if (!validation.ok) return fail(End::kFileRejected, validation.reason, validation.detail);
  data_total_ = validation.data_count;
  data_records_ = static_cast<int>(validation.data_records);

  std::optional<std::string> error;
  {
    const common::BusyGuard hourglass(prompts_);

    // The launch is tried as often as the user asks.
    SetPhase(UpdatePhase::kLaunch);
    for (;;) {
      const LaunchOutcome launch = Guarded([this] { return loader_.FlashLaunch(); });
      if (stop_) return stopped();
      if (launch.ok()) break;
      if (common::AppQuitting()) return Ended(End::kUnitRefused);
      const common::Answer answer = prompts_.Show({.title = kUpdateErrorTitle,
                                                   .text = kLaunchFailedText,
                                                   .buttons = common::Buttons::kRetryCancel,
                                                   .icon = common::Icon::kCritical,
                                                   .detail = {}});
      if (answer != common::Answer::kRetry) return Ended(End::kUnitRefused);
    }

    const std::optional<DeviceCodes> codes = Guarded([this] { return loader_.FlashReadId(); });
    if (stop_) return stopped();
    if (!codes) return fail(End::kUnitRefused, kReadIdFailedText);
    if (const auto refusal = DeviceCheck(*codes)) return fail(End::kUnitRefused, *refusal);

    // A failed attempt starts again with the erase.
    erased = true;
    for (int attempt = 1; attempt <= kProgrammingAttempts; ++attempt) {
      error = Attempt(attempt, name.expected_checksum);
      if (stop_) return stopped();
      if (!error || common::AppQuitting()) break;
    }

    // The restarted unit says what it runs now.
    if (!error) {
      SetPhase(UpdatePhase::kReboot);
      if (!Guarded([this] { return loader_.FlashReboot(); })) error = kRebootFailedText;
      if (stop_) return stopped();
    }
    if (!error) {
      if (!Guarded([this] { return session_.ExtendedIdentify(); })) error = kNoIdentityText;
      if (stop_) return stopped();
    }
  }
  if (error) return fail(End::kFailed, *error);

  SetPhase(UpdatePhase::kNone);
  const std::string summary = SummaryText(hex_file_name_, identity);
  prompts_.Show({.title = kUpdateTitle,
                 .text = Q(summary),
                 .buttons = common::Buttons::kOk,
                 .icon = common::Icon::kWarning,
                 .detail = {}});
  return Ended(End::kCompleted, summary, true);
}

std::optional<std::string> UpdateProcedure::Attempt(int attempt, std::uint32_t expected_checksum) {
  SetPhase(UpdatePhase::kErase, attempt);
  if (!Guarded([this] { return loader_.FlashErase(); })) return kEraseFailedText;
  const std::optional<std::uint16_t> erased = Guarded([this] { return loader_.FlashChecksum(); });
  if (stop_) return std::nullopt;
  if (auto failure = EraseCheck(true, erased)) return failure;
  if (auto failure = ProgramFile(attempt)) return failure;
  if (stop_) return std::nullopt;
  SetPhase(UpdatePhase::kChecksum, attempt);
  return NewChecksumCheck(Guarded([this] { return loader_.FlashChecksum(); }), expected_checksum);
}

std::optional<std::string> UpdateProcedure::ProgramFile(int attempt) {
  SetPhase(UpdatePhase::kProgram, attempt);
  emit ProgressChanged(0);
  emit RecordsDone(0, data_records_);
  flash::ProgrammingPass pass(file_, hex_file_name_, data_total_);
  pass.Start();
  std::optional<std::string> error;
  int done = 0;
  while (!error && !stop_) {
    const std::optional<FlashRecord> record = pass.Next();
    if (!record) {
      error = pass.error();
      break;
    }
    const std::optional<ProgramOutcome> program =
        Guarded([&] { return loader_.FlashProgramRecord(record->address, record->data); });
    if (stop_) break;
    if (!program) {
      // Nothing was sent, and nothing is read or compared past the 32-byte buffer.
      error = RecordTooLongText(record->address, record->data.size());
      break;
    }
    const std::optional<common::Bytes> read_back =
        Guarded([&] { return loader_.FlashReadRecord(record->address); });
    if (stop_) break;
    error = RecordCheck(*program, read_back, record->data);
    if (const std::optional<int> percent = pass.Programmed(record->data.size())) {
      emit ProgressChanged(*percent);
    }
    emit RecordsDone(++done, data_records_);
  }
  return error;
}

}  // namespace tessera::flash
