#include "tessera/windows/flash_menu.h"

#include <QCoreApplication>

#include "common/qtcore/prompts.h"
#include "tessera/windows/main_window.h"

namespace tessera::flash {
namespace {

// The Flash Tools items that take long enough to need a busy bar, and what it says.
UpdatePhase ToolPhase(int index) {
  switch (index) {
    case 0:
      return UpdatePhase::kLaunch;
    case 2:
      return UpdatePhase::kErase;
    case 6:
      return UpdatePhase::kReboot;
    default:
      return UpdatePhase::kNone;
  }
}

}  // namespace

FlashMenu::FlashMenu(panel::MainWindow& window)
    : QObject(&window),
      window_(window),
      loader_(window.session()),
      procedure_(window.session(), loader_, window.App().prompts()) {
  window_.SetFirmwareUpdateAction([this] { RunUpdate(); });
  window_.SetFlashToolAction([this](int index) { RunFlashTool(index); });
  connect(&loader_, &FlashLoader::LoaderModeChanged, &window_, &panel::MainWindow::ShowLoaderMode);
  connect(&procedure_, &UpdateProcedure::PhaseChanged, this,
          [this](const QString& text, bool counted) {
            phase_text_ = text;
            window_.ShowReflashPhase(text, counted ? std::optional<int>(0) : std::nullopt);
          });
  connect(&procedure_, &UpdateProcedure::ProgressChanged, this,
          [this](int percent) { window_.ShowReflashPhase(phase_text_, percent); });
}

void FlashMenu::WhenIdle(std::function<void()> operation) {
  if (busy_) return;
  busy_ = true;
  window_.EnableFlashItems(false);
  window_.session().Loop().RunWhenIdle([this, operation = std::move(operation)] {
    operation();
    window_.EnableFlashItems(true);
    busy_ = false;
  });
}

void FlashMenu::RunUpdate() {
  WhenIdle([this] {
    // Abort in a file error report ends the program.
    if (procedure_.Run().end == UpdateResult::End::kAborted) QCoreApplication::exit(EXIT_FAILURE);
  });
}

bool FlashMenu::ConfirmErase() {
  const QString unit =
      QString("TBX Address #%1").arg(window_.session().State().identity.unit_address);
  return window_.App().prompts().Show(
             {.title = "Flash Program",
              .text = QString("Erase the whole flash of %1?").arg(unit),
              .buttons = common::Buttons::kYesNo,
              .icon = common::Icon::kWarning,
              .detail = "The unit's firmware is wiped: it stays in its flash loader\n"
                        "until new firmware is programmed (Help > Firmware Update).",
              .default_answer = common::Answer::kNo}) == common::Answer::kYes;
}

void FlashMenu::RunFlashTool(int index) {
  if (index < 0 || index >= static_cast<int>(kFlashToolCaptions.size())) return;
  if (busy_) return;
  if (index == 2 && !ConfirmErase()) return;
  WhenIdle([this, index] {
    std::optional<ToolBox> box;
    {
      const common::BusyGuard hourglass(window_.App().prompts());
      window_.ShowReflashPhase(QString::fromStdString(PhaseText(ToolPhase(index))), std::nullopt);
      switch (index) {
        case 0:
          box = LaunchToolBox(loader_.FlashLaunch());
          break;
        case 1:
          box = ReadIdToolBox(loader_.FlashReadId());
          break;
        case 2:
          box = EraseToolBox(loader_.FlashErase());
          break;
        case 3:
          box = ChecksumToolBox(kWholeFlashSectors, loader_.FlashChecksum());
          break;
        case 4: {
          // 32 bytes always fit: there is an outcome.
          const auto program = loader_.FlashProgramRecord(kTestRecordAddress, TestRecordData());
          box = ProgramToolBox(program.value_or(ProgramOutcome{}));
          break;
        }
        case 5:
          box = ReadRecordToolBox(kTestRecordAddress, loader_.FlashReadRecord(kTestRecordAddress));
          break;
        default:
          box = RebootToolBox(loader_.FlashReboot());
          break;
      }
      window_.ShowReflashPhase({}, std::nullopt);
    }
    if (box) ShowBox(*box);
  });
}

void FlashMenu::ShowBox(const ToolBox& box) {
  window_.App().prompts().Show({.title = QString::fromStdString(box.title),
                                .text = QString::fromStdString(box.text),
                                .buttons = common::Buttons::kOk,
                                .icon = box.error ? common::Icon::kCritical : common::Icon::kNone,
                                .detail = {}});
}

}  // namespace tessera::flash
