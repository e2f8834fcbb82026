#include "tessera/flash/flash_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>

#include "common/indicator.h"
#include "common/prompts.h"
#include "common/window_helpers.h"
#include "tessera/panel/io_mapping.h"
#include "tessera/panel/main_window.h"

namespace tessera::flash {
namespace {

// Frames the loader mode disables; all but fraIO come back with the reboot, fraIO
// with the first good poll.
constexpr const char* kLoaderFrames[] = {"fraIO",     "fraInputCtl", "fraOutputCtl",
                                         "fraZcross", "fraStatus",   "fraBufferCtl"};

}  // namespace

FlashMenu::FlashMenu(panel::MainWindow& window)
    : QObject(&window),
      window_(window),
      loader_(window.session()),
      procedure_(window.session(), loader_, window.App().prompts()),
      abort_([] { QCoreApplication::exit(EXIT_FAILURE); }) {
  window_.SetMenuAction("mnuReFlash", [this] { RunUpdate(); });
  for (int i = 0; i < static_cast<int>(kFlashToolCaptions.size()); ++i) {
    window_.SetMenuAction(common::ArrayName("mnuFlashItem", i), [this, i] { RunFlashTool(i); });
  }
  connect(&loader_, &FlashLoader::LoaderModeChanged, this, &FlashMenu::ShowLoaderMode);

  auto* bar = window_.findChild<QProgressBar*>("pgbProgress");
  auto* label = window_.findChild<QLabel*>("lblReflashProgress");
  connect(&procedure_, &UpdateProcedure::ProgressShown, this, [bar, label](bool shown) {
    bar->setVisible(shown);
    label->setVisible(shown);
  });
  connect(&procedure_, &UpdateProcedure::ProgressChanged, bar, &QProgressBar::setValue);
}

void FlashMenu::WhenIdle(std::function<void()> operation) {
  if (busy_) return;
  busy_ = true;
  EnableItems(false);
  window_.session().Loop().RunWhenIdle([this, operation = std::move(operation)] {
    operation();
    EnableItems(true);
    busy_ = false;
  });
}

void FlashMenu::EnableItems(bool enabled) {
  if (auto* item = window_.findChild<QAction*>("mnuReFlash")) item->setEnabled(enabled);
  if (auto* tools = window_.findChild<QMenu*>("mnuFlashTools")) {
    tools->menuAction()->setEnabled(enabled);
  }
}

void FlashMenu::RunUpdate() {
  WhenIdle([this] {
    if (procedure_.Run().end == UpdateResult::End::kAborted) abort_();
  });
}

void FlashMenu::RunFlashTool(int index) {
  if (index < 0 || index >= static_cast<int>(kFlashToolCaptions.size())) return;
  WhenIdle([this, index] {
    std::optional<ToolBox> box;
    {
      const common::BusyGuard hourglass(window_.App().prompts());
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

void FlashMenu::ShowLoaderMode(bool running) {
  for (const char* name : kLoaderFrames) {
    // fraIO waits for the unit's first good answer after the reboot.
    if (!running && QLatin1String(name) == QLatin1String("fraIO")) continue;
    if (auto* frame = window_.findChild<QWidget*>(name)) common::EnableFrame(frame, !running);
  }
  if (!running) return;
  // The lamps no longer say anything about the inputs.
  for (int i = 0; i < panel::kInputPoints; ++i) {
    if (auto* lamp = window_.findChild<common::Indicator*>(common::ArrayName("shpIn", i))) {
      lamp->SetFilled(false);
    }
  }
  for (int i = 0; i < panel::kOptoInputs; ++i) {
    if (auto* lamp = window_.findChild<common::Indicator*>(common::ArrayName("shpOpto", i))) {
      lamp->SetFilled(false);
    }
  }
}

}  // namespace tessera::flash
