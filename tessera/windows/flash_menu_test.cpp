// Help, "&Firmware Update" and "Flash &Tools" as a technician uses them: menus
// opened and items chosen with the mouse, the boxes they show, the window's loader
// mode, and the progress bar as a screen reader hears it.
#include "tessera/windows/flash_menu.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "common/testing/test_support.h"
#include "tessera/core/filters.h"
#include "tessera/core/requests.h"
#include "tessera/testing/test_unit.h"
#include "tessera/windows/filter_dialog.h"
#include "tessera/windows/main_window.h"

namespace tessera::flash {
namespace {

using common::testing::WaitUntil;

class FlashMenuTest : public ::testing::Test {
 protected:
  void Make(sim::TbxLoaderOptions loader = {}) {
    window_.reset();
    unit_ = std::make_unique<testing::TestUnit>(loader);
    window_ = std::make_unique<panel::MainWindow>(*unit_->app);
    menu_ = new FlashMenu(*window_);
    menu_->Loader().SetTiming({.launch_settle_ms = 1, .reboot_settle_ms = 1});
    ASSERT_TRUE(window_->Load("/comm=1 /kal"));
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    Tick();
  }

  // One poll tick; what it sent.
  QList<QByteArray> Tick() {
    unit_->port->TakeWritten();
    window_->session().PollTick();
    window_->session().Loop().Timer()->stop();
    return unit_->port->TakeWritten();
  }

  template <typename T = QWidget>
  T* Find(const QString& name) {
    T* found = window_->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }

  // Drops Help down and chooses the item, through the submenu if any.
  void Choose(const QString& item, const QString& submenu = {}) {
    QAction* action = Find<QAction>(item);
    ASSERT_TRUE(action->isEnabled()) << item.toStdString();
    ASSERT_TRUE(
        common::testing::ChooseFromMenuBar(window_->menuBar(), Find<QMenu>("mnuHelp"), action,
                                           submenu.isEmpty() ? nullptr : Find<QMenu>(submenu)))
        << item.toStdString();
  }
  void Tool(int index) { Choose(QString("mnuFlashItem_%1").arg(index), "mnuFlashTools"); }

  // "title|text|icon" of the boxes shown since the last call.
  QStringList Boxes() {
    QStringList boxes;
    for (const common::Message& box : unit_->prompts.shown()) {
      boxes << QString("%1|%2|%3").arg(box.title, box.text).arg(static_cast<int>(box.icon));
    }
    unit_->prompts.ClearShown();
    return boxes;
  }

  // What a screen reader hears of a lamp: its description.
  QString Heard(const QString& name) {
    QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(Find(name));
    return lamp ? lamp->text(QAccessible::Description) : "no interface";
  }
  // Input and opto lamp, link and line-sync lamps and labels, and the loader line,
  // as a screen reader hears them ("" for a hidden line).
  QString Status() {
    auto* line = Find<QLabel>("lblLoaderMode");
    return Heard("shpIn_0") + Heard("shpOpto_0") + "|" +
           QStringList{Heard("shpCommStatus"), Find("lblComm")->accessibleName(),
                       Heard("shpLineSync"), Find("lblLineSync")->accessibleName(),
                       line->isVisible() ? line->accessibleName() : ""}
               .join('|');
  }
  QString EnabledFrames() {
    QStringList on;
    for (const char* name :
         {"fraIO", "fraInputCtl", "fraOutputCtl", "fraZcross", "fraStatus", "fraBufferCtl"}) {
      if (Find(name)->isEnabled()) on << name;
    }
    return on.join(' ');
  }

  std::unique_ptr<testing::TestUnit> unit_;
  std::unique_ptr<panel::MainWindow> window_;
  FlashMenu* menu_ = nullptr;
};

constexpr char kLoaderModeLine[] =
    "Flash loader mode: polling has stopped. Help > Flash Tools > Reboot TBX returns the TBX to "
    "normal operation.";
const QString kEraseQuestion = QString("Flash Program|Erase the whole flash of TBX Address #5?|%1")
                                   .arg(static_cast<int>(common::Icon::kWarning));
constexpr char kAllFrames[] = "fraIO fraInputCtl fraOutputCtl fraZcross fraStatus fraBufferCtl";
constexpr int kNoIcon = static_cast<int>(common::Icon::kNone);
constexpr int kError = static_cast<int>(common::Icon::kCritical);

// The items one by one. In loader mode the window says that polling has stopped
// and how to leave the mode, and a dialog's request is refused rather than sent
// after the reboot.
TEST_F(FlashMenuTest, FlashToolsOneByOne) {
  Make();
  window_->SetWindow(panel::FeatureWindow::kInputFilters, [this](QWidget* parent) {
    return new config::FilterDialog(*unit_->app, parent);
  });
  Find<QAction>("mnuConfigureInputs")->trigger();
  QWidget* filters = window_->WindowInstance(panel::FeatureWindow::kInputFilters);
  // Lit lamps before the launch: the unit's outputs loop back to its inputs.
  unit_->device->Model().Receive(OutputRequest(std::array<std::uint8_t, 16>{0x01}));
  unit_->device->Model().Options().opto_inputs = 0x01;
  Tick();
  ASSERT_EQ(Heard("shpIn_0") + Heard("shpOpto_0"), "onon");

  const QString record =
      "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D "
      "1E 1F 20 ";
  const struct {
    int item;
    QString box;  // "" when none is shown
    QString frames;
  } steps[] = {
      {0, "Flash Program|Load Flash Program Successful.|%1", ""},
      {0, "Flash Program|Flash Program Already Loaded.|%1", ""},
      {1, "Flash Program|Device Mfg Code = 0x1F\r\n  Device ID Code = 0xB5|%1", ""},
      {2, "Flash Program|Erase Flash Successful|%1", ""},
      {3, "Flash Program|Checksum for 8 sectors = 0x0000|%1", ""},
      {4, "Flash Program|Program Record Successful|%1", ""},
      {5, "Flash Program|0x007000: " + record + "|%1", ""},
      {3, "Flash Program|Checksum for 8 sectors = 0xE230|%1", ""},
      // The I/O frame waits for the unit's first answer.
      {6, "Flash Program|Reboot TBX Started|%1",
       "fraInputCtl fraOutputCtl fraZcross fraStatus fraBufferCtl"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.item);
    Tool(step.item);
    QStringList boxes{step.box.arg(kNoIcon)};
    if (step.item == 2) boxes.prepend(kEraseQuestion);  // answered Yes by the script
    EXPECT_EQ(Boxes(), boxes);
    EXPECT_EQ(EnabledFrames(), step.frames);
    EXPECT_EQ(Status(), QString("offoff|polling stopped|TBX Polling Stopped|polling stopped|Line "
                                "Sync Not Polled|%1")
                            .arg(step.item == 6 ? "" : kLoaderModeLine));
    if (step.item != 1) continue;
    QTest::mouseClick(filters->findChild<QPushButton*>("cmdRetrieve"), Qt::LeftButton);
    EXPECT_EQ(Boxes(), QStringList{QString("Tessera|The TBX is in flash loader mode: polling has "
                                           "stopped, and the request was not sent.|%1")
                                       .arg(static_cast<int>(common::Icon::kInformation))});
  }
  const common::Bytes get_filters = config::GetFiltersRequest();
  EXPECT_FALSE(Tick().contains(QByteArray(reinterpret_cast<const char*>(get_filters.data()),
                                          static_cast<qsizetype>(get_filters.size()))));
  EXPECT_EQ(EnabledFrames(), kAllFrames);
  EXPECT_TRUE(Status().startsWith("onon|responding|TBX Responding|")) << Status().toStdString();
}

// Erase asks first (No is the default and sends nothing), and while the unit
// erases the row under the panel says so over a busy bar.
TEST_F(FlashMenuTest, EraseAsksFirstAndShowsThatItRuns) {
  Make({.erase_ms = 300});
  Tool(0);
  Boxes();
  unit_->prompts.QueueAnswer(common::Answer::kNo);
  Tool(2);
  EXPECT_EQ(Boxes(), QStringList{kEraseQuestion});
  EXPECT_EQ(unit_->Sent().erases, 0);
  // Half-way through the erase: what the row says, and whether its bar is busy.
  QString seen;
  unit_->prompts.on_show = [&] {
    if (unit_->prompts.shown().size() != 1) return;
    QTimer::singleShot(150, window_.get(), [&] {
      auto* bar = Find<QProgressBar>("pgbProgress");
      seen = QString("%1 %2")
                 .arg(Find<QLabel>("lblReflashProgress")->accessibleName())
                 .arg(bar->isVisible() && bar->maximum() == 0);
    });
  };
  Tool(2);
  ASSERT_EQ(unit_->prompts.shown().size(), 2u);
  EXPECT_EQ(unit_->prompts.shown()[0].default_answer, common::Answer::kNo);
  EXPECT_EQ(Boxes(),
            (QStringList{kEraseQuestion,
                         QString("Flash Program|Erase Flash Successful|%1").arg(kNoIcon)}));
  EXPECT_EQ(seen, "Erasing the flash 1");
  EXPECT_FALSE(Find("pgbProgress")->isVisible());
}

TEST_F(FlashMenuTest, FlashToolsWhenTheUnitFails) {
  const struct {
    sim::TbxLoaderOptions options;
    std::vector<int> items;  // the launch first, then these
    QStringList boxes;
  } cases[] = {
      {{.refuse_launch = true},
       {},
       {QString("Firmware Update Operation Error|Flash loader did not launch.|%1").arg(kError)}},
      // Garbled answers count as none: no box for read id, checksum and read record.
      {{.corrupted = {0x02, 0x03, 0x05, 0x06, 0x07}},
       {1, 3, 5, 2, 6},
       {QString("Flash Program|Load Flash Program Successful.|%1").arg(kNoIcon), kEraseQuestion,
        QString("Flash Program|Erase Flash Failed|%1").arg(kNoIcon),
        QString("Flash Program|No Response|%1").arg(kNoIcon)}},
      {{.fail_program_at = 0x7000, .program_fault_status = 0x44},
       {4},
       {QString("Flash Program|Load Flash Program Successful.|%1").arg(kNoIcon),
        QString("Flash Program|Program Record Failed, Status=0x44|%1").arg(kNoIcon)}},
  };
  for (const auto& c : cases) {
    Make(c.options);
    Tool(0);
    for (int item : c.items) Tool(item);
    EXPECT_EQ(Boxes(), c.boxes);
    // A failed launch leaves the window as it was and polling on.
    if (c.options.refuse_launch) {
      EXPECT_EQ(EnabledFrames(), kAllFrames);
      EXPECT_FALSE(window_->session().PollingSuspended());
    }
  }
}

// An update that fails after the erase leaves the unit in its loader and the window
// in loader mode, polling stopped; the next update finds the loader running and
// finishes the job, the progress bar telling how far it got.
TEST_F(FlashMenuTest, FirmwareUpdateFromTheHelpMenu) {
  Make({.version_after_reboot = sim::FirmwareVersion{0x25, 0x23, 0x15}, .incomplete_erases = 3});
  QTemporaryDir dir;
  // Three records of one byte each: 0x00 at 0x7000, 0x7001, 0x7002.
  const QString path =
      testing::WriteFile(dir.filePath("tbx2315(fd03).hex"),
                         ":01700000008F\r\n:01700100008E\r\n:01700200008D\r\n:00000001FF\r\n");
  unit_->prompts.QueueFile(path);
  Choose("mnuReFlash");
  EXPECT_EQ(Boxes().back(),
            QString("Firmware Update Operation Error|Flash did not erase.|%1").arg(kError));
  EXPECT_EQ(EnabledFrames(), "");
  EXPECT_TRUE(Tick().isEmpty());

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
                 .arg(EnabledFrames().isEmpty() && !Find<QAction>("mnuReFlash")->isEnabled());
  });
  // What the row under the panel says as each phase begins.
  QStringList phases;
  QObject::connect(&menu_->Procedure(), &UpdateProcedure::PhaseChanged, [&] {
    auto* label = Find<QLabel>("lblReflashProgress");
    phases << (label->isVisible() ? label->accessibleName() : "hidden");
  });
  unit_->prompts.QueueFile(path);
  Choose("mnuReFlash");
  EXPECT_EQ(heard, (QStringList{"0 1 1 1", "33 1 1 1", "66 1 1 1"}));
  EXPECT_EQ(phases, (QStringList{"Launching the flash loader", "Erasing the flash",
                                 "Programming and verifying the records",
                                 "Checking the flash checksum", "Rebooting the TBX", "hidden"}));
  EXPECT_FALSE(bar->isVisible());
  EXPECT_FALSE(Find<QLabel>("lblReflashProgress")->isVisible());
  const QStringList boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2);
  EXPECT_TRUE(boxes[0].startsWith("Firmware Update Operation|Caution: This firmware update"));
  EXPECT_EQ(boxes[1], QString("Firmware Update Operation|Firmware Update Successfully Completed:"
                              "\r\n   File Name: %1\r\n\r\n   KAL Model TBX-540\r\n"
                              "   Firmware Type 23\r\n   Firmware Version 1.5\r\n"
                              "   Comm Version 2.5\r\n|%2")
                          .arg(path)
                          .arg(static_cast<int>(common::Icon::kWarning)));
  EXPECT_EQ(unit_->device->Loader().Counters().launches, 2);  // the second got 0x40
  EXPECT_EQ(unit_->device->Loader().Flash()[0x7002], 0x00);
  EXPECT_EQ(window_->PanelText(2), "Firmware Version = 23, Firmware Revision = 1.5 ");
  EXPECT_TRUE(Find<QAction>("mnuReFlash")->isEnabled());
  // Polling is back; the I/O frame with the unit's first answer.
  EXPECT_EQ(EnabledFrames(), "fraInputCtl fraOutputCtl fraZcross fraStatus fraBufferCtl");
  EXPECT_EQ(Tick().value(0).toHex(' '), "34 00 cb");
  EXPECT_EQ(EnabledFrames(), kAllFrames);
}

}  // namespace
}  // namespace tessera::flash
