// Help, "&Firmware Update" and "Flash &Tools" as a technician uses them: items chosen
// with the mouse, the boxes they show, the window's loader mode and its enable rules,
// and the progress bar as a screen reader hears it. The wire bytes are the update
// procedure's tests'.
#include "tessera/windows/flash_menu.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include "tessera/testing/test_unit.h"
#include "tessera/testing/window_harness.h"

namespace tessera::flash {
namespace {

class FlashMenuTest : public panel::testing::WindowTest {
 protected:
  void Start(sim::TbxLoaderOptions loader = {}) {
    Make(loader);
    menu_ = new FlashMenu(*window_);
    menu_->Loader().SetTiming({.launch_settle_ms = 1, .reboot_settle_ms = 1});
    ASSERT_TRUE(Load("/comm=1 /kal"));
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    Tick();
  }
  // Drops Help down and chooses the item, through the submenu if any.
  void Choose(const QString& item, const QString& submenu = {}) {
    ASSERT_TRUE(common::testing::ChooseFromMenuBar(
        window_->menuBar(), Find<QMenu>("mnuHelp"), Find<QAction>(item),
        submenu.isEmpty() ? nullptr : Find<QMenu>(submenu)))
        << item.toStdString();
  }
  void Tool(int index) { Choose(QString("mnuFlashItem_%1").arg(index), "mnuFlashTools"); }
  // What a screen reader hears of a lamp.
  QString Heard(const QString& name) {
    return QAccessible::queryAccessibleInterface(Find(name))->text(QAccessible::Description);
  }
  // Lamps, link and line-sync lines and the loader line as a screen reader hears them.
  QString Status() {
    auto* line = Find<QLabel>("lblLoaderMode");
    return Heard("shpIn_0") + Heard("shpOpto_0") + "|" +
           QStringList{Heard("shpCommStatus"), Find("lblComm")->accessibleName(),
                       Heard("shpLineSync"), Find("lblLineSync")->accessibleName(),
                       line->isVisible() ? line->accessibleName() : ""}
               .join('|');
  }
  // fraIO, fraInputCtl, fraOutputCtl, fraZcross, fraStatus, fraBufferCtl: 1 for enabled.
  QString EnabledFrames() {
    QString on;
    for (const char* name :
         {"fraIO", "fraInputCtl", "fraOutputCtl", "fraZcross", "fraStatus", "fraBufferCtl"})
      on += Find(name)->isEnabled() ? '1' : '0';
    return on;
  }
  QString FlashItems() {  // Firmware Update, Flash Tools: 1 for enabled
    return QString("%1%2")
        .arg(Find<QAction>("mnuReFlash")->isEnabled())
        .arg(Find<QMenu>("mnuFlashTools")->menuAction()->isEnabled());
  }

  FlashMenu* menu_ = nullptr;
};

constexpr char kLoaderModeLine[] =
    "Flash loader mode: polling has stopped. Help > Flash Tools > Reboot TBX returns the TBX to "
    "normal operation.";
constexpr char kErase[] = "Flash Program: Erase the whole flash of TBX Address #5?!";
constexpr char kAllFrames[] = "111111", kNoIO[] = "011111";

// In loader mode the window says that polling has stopped and how to leave the mode,
// and a dialog's request is refused rather than sent after the reboot. Erase asks
// first (No is the default and sends nothing); while the unit erases, the row under
// the panel says so over a busy bar and the flash items rest.
TEST_F(FlashMenuTest, FlashToolsOneByOneAndTheFirmwareUpdate) {
  Start({.erase_ms = 300});
  QWidget* filters = Open(panel::FeatureWindow::kInputFilters);
  // Lit lamps before the launch: the unit's outputs loop back to its inputs.
  device_->Model().Receive(OutputRequest(std::array<std::uint8_t, 16>{0x01}));
  device_->Model().Options().opto_inputs = 0x01;
  Tick();
  ASSERT_EQ(Heard("shpIn_0") + Heard("shpOpto_0"), "onon");
  QString seen;  // half-way through the erase
  bool armed = false;
  for (int item : {0, 1, 2, 3, 4, 5, 6}) {
    SCOPED_TRACE(item);
    if (item == 2) {
      prompts_.QueueAnswer(common::Answer::kNo);
      Tool(2);
      EXPECT_EQ(prompts_.shown().at(0).default_answer, common::Answer::kNo);
      EXPECT_EQ(Shown(), QStringList{kErase});
      EXPECT_EQ(device_->Loader().Counters().erases, 0);
      armed = true;
      prompts_.on_show = [&] {
        if (!std::exchange(armed, false)) return;
        QTimer::singleShot(150, window_.get(), [&] {
          auto* bar = Find<QProgressBar>("pgbProgress");
          seen = QString("%1 %2 %3")
                     .arg(Find<QLabel>("lblReflashProgress")->accessibleName())
                     .arg(bar->isVisible() && bar->maximum() == 0)
                     .arg(FlashItems());
        });
      };
    }
    Tool(item);
    // Each item's box (its text is the core's), then what the window shows.
    EXPECT_EQ(Shown().size(), item == 2 ? 2 : 1);
    EXPECT_EQ(EnabledFrames(), item == 6 ? kNoIO : "000000");  // the I/O frame waits for an answer
    EXPECT_EQ(Status(), QString("offoff|polling stopped|TBX Polling Stopped|polling stopped|Line "
                                "Sync Not Polled|%1")
                            .arg(item == 6 ? "" : kLoaderModeLine));
    if (item != 1) continue;
    QTest::mouseClick(filters->findChild<QPushButton*>("cmdRetrieve"), Qt::LeftButton);
    EXPECT_EQ(Shown(), QStringList{"Tessera: The TBX is in flash loader mode: polling has "
                                   "stopped, and the request was not sent.!"});
  }
  EXPECT_EQ(seen, "Erasing the flash 1 00");
  EXPECT_EQ(FlashItems(), "11");
  EXPECT_EQ(TickRequests(), QStringList());  // the refused Get Values stays refused
  EXPECT_EQ(EnabledFrames(), kAllFrames);
  EXPECT_TRUE(Status().startsWith("onon|responding|TBX Responding|")) << Status().toStdString();
  // The update from the Help menu: the progress bar tells how far it got, the row under
  // the panel names each phase, and the flash items rest until it is done.
  Start({.version_after_reboot = sim::FirmwareVersion{0x25, 0x23, 0x15}});
  QTemporaryDir dir;
  // Three records of one byte each: 0x00 at 0x7000, 0x7001, 0x7002.
  const QString path = tessera::testing::WriteFile(
      dir.filePath("tbx2315(fd03).hex"),
      ":01700000008F\r\n:01700100008E\r\n:01700200008D\r\n:00000001FF\r\n");
  auto* bar = Find<QProgressBar>("pgbProgress");
  // What a screen reader hears of the bar while the records go in, whether bar and
  // label show, and whether the window is in loader mode with its flash items off.
  QStringList heard;
  QObject::connect(&menu_->Procedure(), &UpdateProcedure::ProgressChanged, [&](int) {
    QAccessibleInterface* meter = QAccessible::queryAccessibleInterface(bar);
    heard << QString("%1 %2 %3 %4")
                 .arg(meter->valueInterface()->currentValue().toInt())
                 .arg(bar->isVisible())
                 .arg(Find<QLabel>("lblReflashProgress")->isVisible())
                 .arg(EnabledFrames() == "000000" && FlashItems() == "00");
  });
  QStringList phases;  // what the row under the panel says as each phase begins
  QObject::connect(&menu_->Procedure(), &UpdateProcedure::PhaseChanged, [&] {
    auto* label = Find<QLabel>("lblReflashProgress");
    phases << (label->isVisible() ? label->accessibleName() : "hidden");
  });
  prompts_.QueueFile(path);
  Choose("mnuReFlash");
  EXPECT_EQ(heard, (QStringList{"0 1 1 1", "33 1 1 1", "66 1 1 1"}));
  EXPECT_EQ(phases, (QStringList{"Launching the flash loader", "Erasing the flash",
                                 "Programming and verifying the records",
                                 "Checking the flash checksum", "Rebooting the TBX", "hidden"}));
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(Shown().size(), 2);  // the caution and the outcome: the procedure's texts
  EXPECT_EQ(window_->PanelText(2), "Firmware Version = 23, Firmware Revision = 1.5 ");
  EXPECT_EQ(FlashItems(), "11");
  // Polling is back; the I/O frame with the unit's first answer.
  EXPECT_EQ(EnabledFrames(), kNoIO);
  EXPECT_EQ(Tick().value(0), "34 00 CB");
  EXPECT_EQ(EnabledFrames(), kAllFrames);
}

}  // namespace
}  // namespace tessera::flash
