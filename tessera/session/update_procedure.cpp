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

constexpr char kOpenDialogTitle[] = "Open";

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

UpdateProcedure::UpdateProcedure(Session& session, FlashLoader& loader, common::Prompts& prompts,
                                 QObject* parent)
    : QObject(parent), session_(session), loader_(loader), prompts_(prompts), file_(prompts) {}

UpdateResult UpdateProcedure::Run() {
  if (running_) return {};
  running_ = true;
  // None of the update's actions is a timed pause: the whole run happens here.
  sequence_.emplace(session_.State().identity, loader_.LoaderRunning());
  for (;;) {
    if (common::AppQuitting()) sequence_->Closing();
    const Action action = sequence_->Next();
    if (action.kind == ActionKind::kEnd) break;
    Perform(action);
  }
  UpdateResult result = sequence_->Result();
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
                         .context = ReFlashContext(sequence_->FileName()),
                         .description = status.toStdString()};
  bool aborted = false;
  if (ReportError(prompts_, report, aborted)) return true;
  sequence_->PortStopped(aborted);
  return false;
}

void UpdateProcedure::Perform(const Action& action) {
  UpdateSequence& sequence = *sequence_;
  switch (action.kind) {
    case ActionKind::kEnd:
      return;
    case ActionKind::kCaution:
    case ActionKind::kAsk:
      return sequence.Answered(Confirm(action.text));
    case ActionKind::kChooseFile: {
      // Messages show the path as it is on disk; the file is opened by it.
      const std::optional<QString> chosen =
          prompts_.OpenFile(kOpenDialogTitle, kHexFilePattern, kHexFileFilter);
      sequence.FileChosen(chosen ? std::optional(chosen->toStdString()) : std::nullopt);
      if (chosen) common::Delay(1);  // let the window repaint where the dialog was
      return;
    }
    case ActionKind::kProbeLoader:
      return sequence.Done(loader_.FindRunningLoader());
    case ActionKind::kOpenFile: {
      const std::string& name = sequence.FileName();
      if (!file_.OpenFileToRead(Q(name), name)) return sequence.Opened({}, file_.Aborted());
      // The whole file is checked before the unit is touched.
      const Validation validation = ValidateHexFile(file_, name, sequence.ExpectedChecksum());
      data_total_ = validation.data_count;
      return sequence.Opened(validation, false);
    }
    case ActionKind::kBusy:
      return prompts_.SetBusy(action.value != 0);
    case ActionKind::kPhase:
      return SetPhase(action.phase, action.value);
    case ActionKind::kLaunch:
      return sequence.Done(Guarded([this] { return loader_.FlashLaunch(); }).ok());
    case ActionKind::kAskLaunchRetry:
      return sequence.Answered(prompts_.Show({.title = kUpdateErrorTitle,
                                              .text = kLaunchFailedText,
                                              .buttons = common::Buttons::kRetryCancel,
                                              .icon = common::Icon::kCritical,
                                              .detail = {}}) == common::Answer::kRetry);
    case ActionKind::kReadId:
      return sequence.CodesRead(Guarded([this] { return loader_.FlashReadId(); }));
    case ActionKind::kErase:
      return sequence.Done(Guarded([this] { return loader_.FlashErase(); }));
    case ActionKind::kEraseChecksum:
    case ActionKind::kNewChecksum:
      return sequence.ChecksumRead(Guarded([this] { return loader_.FlashChecksum(); }));
    case ActionKind::kStartPass:
      emit ProgressChanged(0);
      emit RecordsDone(0, action.total);
      pass_.emplace(file_, sequence.FileName(), data_total_);
      pass_->Start();
      return;
    case ActionKind::kNextRecord: {
      std::optional<FlashRecord> record = pass_->Next();
      return sequence.NextRecord(std::move(record), pass_->error());
    }
    case ActionKind::kProgramRecord: {
      const FlashRecord& record = sequence.Record();
      return sequence.Programmed(
          Guarded([&] { return loader_.FlashProgramRecord(record.address, record.data); }));
    }
    case ActionKind::kReadRecord: {
      const std::uint32_t address = sequence.Record().address;
      return sequence.ReadBack(Guarded([&] { return loader_.FlashReadRecord(address); }));
    }
    case ActionKind::kRecordDone:
      if (const std::optional<int> percent = pass_->Programmed(sequence.Record().data.size())) {
        emit ProgressChanged(*percent);
      }
      emit RecordsDone(action.value, action.total);
      return;
    case ActionKind::kReboot:
      return sequence.Done(Guarded([this] { return loader_.FlashReboot(); }));
    case ActionKind::kIdentify:
      return sequence.Done(Guarded([this] { return session_.ExtendedIdentify(); }));
    case ActionKind::kShowError:
      prompts_.Show({.title = kUpdateErrorTitle,
                     .text = Q(action.text),
                     .buttons = common::Buttons::kOk,
                     .icon = common::Icon::kCritical,
                     .detail = Q(action.detail)});
      return;
    case ActionKind::kShowSummary:
      prompts_.Show({.title = kUpdateTitle,
                     .text = Q(action.text),
                     .buttons = common::Buttons::kOk,
                     .icon = common::Icon::kWarning,
                     .detail = {}});
      return;
  }
}

}  // namespace tessera::flash
