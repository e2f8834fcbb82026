#include "tessera/flash/update_procedure.h"

#include "common/event_wait.h"
#include "common/prompts.h"
#include "tessera/flash/flash_loader.h"
#include "tessera/flash/hex_file.h"
#include "tessera/flash/update_steps.h"
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
  UpdateResult result = Update();
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
                        .detail = {}}) == common::Answer::kOk;
}

UpdateResult UpdateProcedure::Update() {
  const UnitIdentity& identity = session_.State().identity;
  bool erased = false;
  // The closing error box, unless the program is closing under us.
  const auto fail = [&](End end, const std::string& reason) {
    if (!common::AppQuitting()) {
      prompts_.Show({.title = kUpdateErrorTitle,
                     .text = Q(reason),
                     .buttons = common::Buttons::kOk,
                     .icon = common::Icon::kCritical,
                     .detail = {}});
    }
    return Ended(end, reason, erased);
  };

  // Only units with a flash loader can be updated in the field.
  if (!loader_.LoaderRunning()) {
    if (const auto refusal = SupportCheck(identity)) {
      // A unit that never identified itself may be sitting in a loader that an
      // unfinished update left running; then the update can go on from there.
      const bool unknown = !identity.KalUnit && identity.CommVersion == 0;
      if (!unknown || !loader_.FindRunningLoader()) return fail(End::kUnitRefused, *refusal);
    }
  }

  if (!Confirm(kCautionText)) return Ended(End::kCancelled);

  // Messages name the file upper-cased; it is opened by the path as chosen.
  const std::optional<QString> chosen =
      prompts_.OpenFile(kOpenDialogTitle, kHexFilePattern, kHexFileFilter);
  if (!chosen) return Ended(End::kCancelled);
  const HexFileChoice choice = ChooseHexFile(chosen->toStdString());
  hex_file_name_ = choice.hex_file_name;
  common::Delay(1);  // let the window repaint where the dialog was

  // The name carries model, version type, revision and the expected image checksum.
  const NameOutcome name =
      CheckHexFileName(hex_file_name_, identity.FirmwareType, identity.FirmwareRevision)
          .Resolve([this](const NameQuestion& question) { return Confirm(question.text); });
  if (!name.accepted) {
    return fail(name.reason == kUpdateCancelledText ? End::kCancelled : End::kFileRejected,
                name.reason);
  }

  // When the file will not open, the file layer has already said why.
  if (!file_.OpenFileToRead(Q(choice.path), hex_file_name_)) {
    return Ended(file_.Aborted() ? End::kAborted : End::kFileRejected);
  }

  // The whole file is checked before the unit is touched.
  const Validation validation = ValidateHexFile(file_, hex_file_name_, name.expected_checksum);
  if (!validation.ok) return fail(End::kFileRejected, validation.reason);
  data_total_ = validation.data_count;
  data_records_ = static_cast<int>(validation.data_records);

  std::optional<std::string> error;
  {
    const common::BusyGuard hourglass(prompts_);

    // The launch is tried as often as the user asks.
    while (!loader_.FlashLaunch().ok()) {
      if (common::AppQuitting()) return Ended(End::kUnitRefused);
      const common::Answer answer = prompts_.Show({.title = kUpdateErrorTitle,
                                                   .text = kLaunchFailedText,
                                                   .buttons = common::Buttons::kRetryCancel,
                                                   .icon = common::Icon::kCritical,
                                                   .detail = {}});
      if (answer != common::Answer::kRetry) return Ended(End::kUnitRefused);
    }

    const std::optional<DeviceCodes> codes = loader_.FlashReadId();
    if (!codes) return fail(End::kUnitRefused, kReadIdFailedText);
    if (const auto refusal = DeviceCheck(*codes)) return fail(End::kUnitRefused, *refusal);

    // A failed attempt starts again with the erase.
    erased = true;
    for (int attempt = 0; attempt < kProgrammingAttempts; ++attempt) {
      error = Attempt(name.expected_checksum);
      if (!error || common::AppQuitting()) break;
    }

    // The restarted unit says what it runs now.
    if (!error && !loader_.FlashReboot()) error = kRebootFailedText;
    if (!error && !session_.SendKalRmsFrame()) error = kNoIdentityText;
  }
  if (error) return fail(End::kFailed, *error);

  const std::string summary = SummaryText(hex_file_name_, identity);
  prompts_.Show({.title = kUpdateTitle,
                 .text = Q(summary),
                 .buttons = common::Buttons::kOk,
                 .icon = common::Icon::kWarning,
                 .detail = {}});
  return Ended(End::kCompleted, summary, true);
}

std::optional<std::string> UpdateProcedure::Attempt(std::uint32_t expected_checksum) {
  if (!loader_.FlashErase()) return kEraseFailedText;
  if (auto failure = EraseCheck(true, loader_.FlashChecksum())) return failure;
  if (auto failure = ProgramFile()) return failure;
  return NewChecksumCheck(loader_.FlashChecksum(), expected_checksum);
}

std::optional<std::string> UpdateProcedure::ProgramFile() {
  emit ProgressChanged(0);
  emit ProgressShown(true);
  emit RecordsDone(0, data_records_);
  flash::ProgrammingPass pass(file_, hex_file_name_, data_total_);
  pass.Start();
  std::optional<std::string> error;
  int done = 0;
  while (!error) {
    const std::optional<FlashRecord> record = pass.Next();
    if (!record) {
      error = pass.error();
      break;
    }
    const std::optional<ProgramOutcome> program =
        loader_.FlashProgramRecord(record->address, record->data);
    if (!program) {
      // Nothing was sent, and nothing is read or compared past the 32-byte buffer.
      error = RecordTooLongText(record->address, record->data.size());
      break;
    }
    error = RecordCheck(*program, loader_.FlashReadRecord(record->address), record->data);
    if (const std::optional<int> percent = pass.Programmed(record->data.size())) {
      emit ProgressChanged(*percent);
    }
    emit RecordsDone(++done, data_records_);
  }
  emit ProgressShown(false);
  return error;
}

}  // namespace tessera::flash
