#include "corvid/windows/main_window.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "common/widgets/indicator.h"
#include "common/widgets/link_trace_window.h"
#include "common/widgets/picture.h"
#include "common/widgets/trace_model.h"
#include "common/widgets/window_helpers.h"
#include "corvid/sim/switch_pack_model.h"
#include "corvid/testing/window_harness.h"
#include "corvid/windows/about_dialogs.h"

namespace corvid::monitor {
namespace {

using common::Indicator;
using namespace testing;  // the window harness

QString Text(Harness& h, const QString& name) {
  if (auto* box = h.Find<QLineEdit>(name)) return box->text();
  return h.Find<QLabel>(name)->text();
}
QString Panel(Harness& h, int n) { return Text(h, QStringLiteral("sbStatus_%1").arg(n)); }
QString Nth(const char* base, int i) { return QStringLiteral("%1_%2").arg(base).arg(i); }
QString Spoken(QWidget* w) {
  return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
}

// The boxes go into the next status command; the slot chosen picks the layout of the
// signal rows (a flash unit at 30 and 31) and the address on the wire.
TEST(MainWindowTest, StatusCommandCarriesControlsAndLayout) {
  Harness h;
  for (const char* name : {"chkFaultLED_1", "chkOutDisable_0", "chkOutDisable_5"}) {
    auto* box = h.Find<QCheckBox>(name);
    // On the box itself, not on the room a wide layout may give the control.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  }
  EXPECT_TRUE(h.Find<Indicator>("shpFault_1")->Filled() &&
              !h.Find<Indicator>("shpFault_0")->Filled());
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(h.device.commands.back(), (Payload{0x01, 0x82, 0x80 | 0x1E}));

  // Index in the address box, slot, row captions and fills (Red, Yellow, Green).
  for (const auto& [index, slot, want_captions, want_fills] :
       {std::tuple{29, 30, "1-1 1-2 Green Red 2-1 2-2", "RRGRRR"},
        {0, 1, "Red Yel Green Red Yel Grn", "RYGRYG"},
        {20, 21, "", ""}}) {  // a "--" entry still polls
    h.window.AddressBox()->setCurrentIndex(index);
    h.session.GetStatus();
    EXPECT_EQ(h.Port().TakeWritten().back().at(1), slot);
    EXPECT_EQ(h.app.store().Load().SlotAddress, slot);
    QStringList captions;
    QString fills;
    for (int i = 0; i < 6; ++i) {
      captions << Text(
          h,
          QStringLiteral("lblCh%1%2").arg(i / 3 + 1).arg(QStringList{"Red", "Yel", "Grn"}[i % 3]));
      const QColor fill = h.Find<Indicator>(Nth("shpSignal", i))->Colour();
      fills += fill == Qt::red ? 'R' : fill == Qt::yellow ? 'Y' : fill == Qt::green ? 'G' : '?';
    }
    EXPECT_EQ(*want_captions ? captions.join(' ') : "", want_captions);
    EXPECT_EQ(*want_fills ? fills : "", want_fills);
  }
}

TEST(MainWindowTest, StatusAndDiagnosticShown) {
  Harness h;
  // Status bits, mains, field voltages and currents, on and fault bits.
  h.device.payloads[0x01] = StatusPayload(
      {0x09, 1241, {0, 5, 1203, 16383, 1200, 999}, {0, 7, 2400, 16383, 12, 100}, 0x05, 0x22});
  ASSERT_TRUE(h.session.GetStatus());
  QStringList shown{h.window.MainsVoltageBox()->text(),
                    h.Find("img24Vlow")->accessibleDescription()};
  for (int k = 0; k < 4; ++k)
    shown << (h.Find<QCheckBox>(Nth("chkStatus", k))->isChecked() ? "x" : "-");
  for (int i = 0; i < 6; ++i) {
    shown << h.window.FieldVoltsBox(i)->text() << h.window.FieldAmpsBox(i)->text()
          << h.Find(Nth("shpSignal", i))->accessibleDescription()
          << h.Find(Nth("imgFault", i))->accessibleDescription();
  }
  EXPECT_EQ(shown.join(' '),
            "124.1 on x - - x 0.0 0 on off 0.5 7 off on 120.3 2400 on off 1638.3 16383 off off "
            "120.0 12 off off 99.9 100 off on");

  h.device.payloads[0x7B] = {0xFB, 0x02, 0xFE, 0xFF, 255, 254, 0, 17};
  ASSERT_TRUE(h.session.GetDiagnostic());
  QStringList texts;
  for (const char* name : {"txtTemperature", "txtCRCErrors", "txtRxOverflows", "txtRegErrors",
                           "txtRxErrors", "txtDataFlashErrors"})
    texts << Text(h, name);
  EXPECT_EQ(texts, (QStringList{"-2", "255>", "254", "0", "17", "--"}));
  EXPECT_FALSE(h.Find<Picture>("imgRegFault")->Shown());
  EXPECT_TRUE(h.Find<Picture>("imgDataFlashFault")->Shown());
}

// The responding state shows in one place that holds still; a lost device blanks and
// greys its identity, and disabled frames come back whole on the next answer.
TEST(MainWindowTest, RespondingTransitions) {
  Harness h;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
  auto* device_id = h.Find<QLineEdit>("txtDeviceID");
  auto state = [&] {
    h.window.layout()->activate();
    QCoreApplication::processEvents();
    return std::tuple(h.Find("shpResponding")->isHidden(),
                      h.Find("imgNotResponding")->accessibleDescription(), Text(h, "lblRespnding"),
                      h.Find("lblRespnding")->geometry(), h.Find("fraMains")->geometry());
  };
  const auto at_start = state();
  const auto [label_place, mains_place] = std::pair(std::get<3>(at_start), std::get<4>(at_start));
  EXPECT_EQ(at_start, std::tuple(true, "on", "Device Not Responding", label_place, mains_place));
  h.Tick();  // answering from the first poll; nothing moves
  const auto responding = state();
  EXPECT_EQ(responding, std::tuple(false, "off", "Device Responding", label_place, mains_place));
  EXPECT_EQ(device_id->text(), "Type 03 Rev 1.12");

  h.link.SetResponseWindowMs(5);
  h.device.silent = true;
  EXPECT_FALSE(h.session.GetStatus());
  EXPECT_EQ(state(), at_start);
  EXPECT_TRUE(!device_id->isEnabled() && device_id->text().isEmpty());
  EXPECT_TRUE(h.Find("fraMains")->isEnabled());  // frames are left as they are
  common::EnableFrame(h.Find("fraFieldStatus"), false);
  h.device.silent = false;
  EXPECT_TRUE(h.session.GetModuleID());
  EXPECT_EQ(state(), responding);
  EXPECT_TRUE(device_id->isEnabled() && h.window.FieldVoltsBox(4)->isEnabled());
}

// What the status bar shows is what a screen reader reads; counts up to 9 999 999 fit
// their panels at the window's default size; "Clear Errors" sends nothing. With a menu
// down a tick sends nothing but refreshes the counters.
TEST(MainWindowTest, CountersInTheStatusBarAndClearErrors) {
  Harness h;
  const auto counters = [&] { return QStringList{Panel(h, 3), Panel(h, 4), Panel(h, 5)}; };
  EXPECT_EQ(counters(), (QStringList{"CRC Errors = 0", "Rx Timeouts = 0", "Rx NAKs= 0"}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
  h.window.activateWindow();
  QTest::keyClick(&h.window, Qt::Key_C, Qt::AltModifier);  // drops "&Calibrate" down
  ASSERT_TRUE(h.window.CalibrateMenu()->isVisible());
  h.link.Counters().timeouts = 3;
  h.Tick();
  EXPECT_EQ(std::tuple(h.device.TakeCodes().size(), h.app.state().poll_count, Panel(h, 4)),
            std::tuple(0u, 0, "Rx Timeout = 3"));
  QTest::keyClick(h.window.CalibrateMenu(), Qt::Key_Escape);
  // The bar is left in keyboard mode, which must not hold the polling.
  h.Tick();
  EXPECT_EQ(h.device.TakeCodes(), (Bytes{0x3C, 0x7B, 0x01}));
  h.device.payloads[0x01] = {0x80};  // NAK
  h.link.Counters().crc_errors = 9999999;
  h.link.Counters().timeouts = 9999998;
  h.Tick();
  EXPECT_EQ(counters(),
            (QStringList{"CRC Error = 9999999", "Rx Timeout = 9999998", "Rx NAKs = 1"}));
  h.window.resize(h.window.sizeHint());
  h.window.layout()->activate();
  QTest::qWait(1);
  for (int i = 1; i <= 5; ++i) {
    auto* panel = h.Find<QLabel>(QStringLiteral("sbStatus_%1").arg(i));
    EXPECT_GE(panel->width(), panel->sizeHint().width()) << panel->text().toStdString();
    EXPECT_EQ(Spoken(panel), panel->text());
  }
  h.device.TakeCodes();
  QTest::mouseClick(h.Find<QPushButton>("cmdClearErrors"), Qt::LeftButton);
  EXPECT_TRUE(h.device.TakeCodes().empty());
  EXPECT_EQ(counters(), (QStringList{"CRC Error = 0", "Rx Timeout = 0", "Rx NAKs = 0"}));
}

// At the keyboard: the focus starts on the first control a technician operates, and
// Tab reaches every one of them before the read-only value boxes.
TEST(MainWindowTest, FocusStartsOnTheControlsAndValueBoxesComeLast) {
  Harness h;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&h.window));
  QStringList visited;
  for (int i = 0; i < 40 && !visited.contains(QApplication::focusWidget()->objectName()); ++i) {
    visited << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  QStringList operable;  // Full Calibrate is off
  for (int i = 0; i < 8; ++i)
    operable << (i < 6 ? Nth("chkOutDisable", i) : Nth("chkFaultLED", i - 6));
  operable += {"cmbAddress", "cmdCheckOutputs", "cmdClearErrors"};
  EXPECT_EQ(visited.mid(0, operable.size()), operable);
  for (const QString& name : visited.mid(operable.size())) {
    auto* box = h.Find<QLineEdit>(name);
    EXPECT_TRUE(box != nullptr && box->isReadOnly()) << name.toStdString();
  }
  EXPECT_TRUE(visited.contains("txtFieldAmps_5"));
}

// The caption a control shows: a menu item's, frame's, label's or button's text, or a
// window's title.
QString Caption(QObject* object) {
  if (auto* action = qobject_cast<QAction*>(object)) return action->text();
  if (auto* menu = qobject_cast<QMenu*>(object)) return menu->title();
  if (auto* frame = qobject_cast<QGroupBox*>(object)) return frame->title();
  if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
  return object ? static_cast<QWidget*>(object)->windowTitle() : "(none)";
}

// The main window and the calibration windows: every named control speaks, a sample
// of captions, the start-up texts.
TEST(MainWindowTest, ControlsMenusAndTexts) {
  Harness h;
  h.Find<QAction>("mnuCalManual")->trigger();
  h.Find<QAction>("mnuCalSettings")->trigger();
  for (QWidget* w : h.window.findChildren<QWidget*>()) {
    if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_")) {
      EXPECT_FALSE(Spoken(w).isEmpty()) << w->objectName().toStdString();
    }
  }
  // "window/control=caption", split at "|"; a window alone stands for its title.
  const QStringList rows =
      QString(
          "mnuPort=&Port|mnuPortSettings=&Settings|mnuLinkTrace=&Link Trace|"
          "mnuCalibrate=&Calibrate|mnuCalAuto=Auto|mnuCalSettings=Calibration Settings|"
          "mnuAboutDevice=About Vanta Device|mnuAboutPgm=&About Corvid|chkStatus_3=Diagostic Fail|"
          "sbStatus_1=Device Type = ?|sbStatus_2=PC Comm Port = 1|"
          "frmCalibrate=Calibrate VELD / KRAN|frmCalibrate/cmdStart=&Start|"
          "frmCalManual=Calibration Factors|frmCalManual/fraCurrent=Channel Current Factors (Hex)|"
          "frmCalManual/lblChCurrent_5=Ch 2 Green Current|frmCalManual/cmdDefault=Load Default|"
          "frmCalSettings=Calibration Parameters|frmCalSettings/fraLV=VELD-LV|"
          "frmCalSettings/lblCalResistorUnit_1=Ohms|frmCalSettings/cmdDefault=&Default")
          .split('|');
  for (const QString& row : rows) {
    const QStringList path = row.section('=', 0, 0).split('/');
    QObject* control = h.Find<QObject>(path[0]);
    if (path.size() > 1) control = control->findChild<QObject*>(path[1]);
    EXPECT_EQ(Caption(control), row.section('=', 1)) << row.toStdString();
  }
  EXPECT_EQ((QStringList{h.window.windowTitle(), h.Find("txtFieldVolts_0")->accessibleName(),
                         h.Find("sbStatus_1")->toolTip(), Text(h, "txtFieldVolts_0"),
                         Text(h, "txtFieldVolts_3"), Text(h, "txtFieldAmps_5"),
                         Text(h, "txtTemperature")}),
            (QStringList{"Corvid", "Channel 1 Red field voltage", "Switch Pack Type", "0.0",
                         "000.0", "0000", "--"}));
  EXPECT_FALSE(h.Find("fraStatusRO")->isEnabled());
  QSet<QChar> mnemonics;  // Alt+letter opens one menu each
  for (QAction* menu : h.window.menuBar()->actions())
    mnemonics.insert(menu->text().at(menu->text().indexOf('&') + 1).toLower());
  EXPECT_EQ(mnemonics.size(), h.window.menuBar()->actions().size());
  EXPECT_FALSE(h.Find<QAction>("mnuCalVoltage")->isEnabled() ||
               h.Find<QAction>("mnuCalCurrent")->isEnabled());
}

// Link Trace: one modeless window listing the poll's commands and answers; Help; the
// About boxes.
TEST(MainWindowTest, LinkTraceHelpAndAboutBoxes) {
  Harness h;
  EXPECT_FALSE(h.app.Tap().Listening());
  ASSERT_TRUE(common::testing::ChooseFromMenuBar(h.window.menuBar(), h.Find<QMenu>("mnuPort"),
                                                 h.Find<QAction>("mnuLinkTrace")));
  common::LinkTraceWindow* trace = h.window.LinkTrace();
  ASSERT_TRUE(trace != nullptr && trace->isVisible() && !trace->isModal());
  EXPECT_TRUE(h.app.Tap().Listening());
  h.Tick();  // identification, diagnostic and status: each sent and answered
  EXPECT_TRUE(QTest::qWaitFor([&] { return trace->Model().rowCount() == 6; }, 2000));
  h.Find<QAction>("mnuLinkTrace")->trigger();
  EXPECT_EQ(h.window.LinkTrace(), trace);
  h.Find<QAction>("mnuHelpItem")->trigger();
  ASSERT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_EQ(h.prompts.shown()[0].text,
            "No Help is available. Would you like a tall Mai-Tai instead?");
  h.device.payloads[0x3C][1] = 5;
  ASSERT_TRUE(h.session.GetModuleID());
  h.Find<QAction>("mnuAboutDevice")->trigger();
  auto* dialog = h.Find<QDialog>("frmAboutDevice");
  EXPECT_TRUE(dialog->isVisible() && dialog->isModal());
  QStringList texts;  // as a screen reader hears them
  for (const char* name : {"lblType", "lblID", "lblFirmware"})
    texts << Spoken(dialog->findChild<QLabel*>(name));
  dialog->accept();
  EXPECT_EQ(texts,
            (QStringList{"KRAN-LV, 48 Vdc power", "Type 03 Rev 1.12", "Type: 3  Revision: 1.12"}));
  EXPECT_EQ(Panel(h, 1), "Device Type = KRAN-LV");
  h.Find<QAction>("mnuAboutPgm")->trigger();
  EXPECT_TRUE(h.Find<QDialog>("frmAbout")->isVisible());
  // The program's version as About shows it: a zero revision left out.
  const std::pair<const char*, const char*> versions[] = {{"1.3.3", "Corvid 1.3.3"},
                                                          {"1.3.0", "Corvid 1.3"},
                                                          {"2.0", "Corvid 2.0"},
                                                          {"1", "Corvid 1.0"},
                                                          {"", "Corvid 0.0"}};
  for (const auto& [version, text] : versions) EXPECT_EQ(AboutText("Corvid", version), text);
  EXPECT_EQ(AboutText("Corvid", 1, 12, 4), "Corvid 1.12.4");
}

// As /sim runs it: marked as simulated, no port shown, the model at the selected slot.
TEST(MainWindowTest, SimulatedSwitchPackFollowsTheWindow) {
  common::ScriptedPrompts prompts;
  QTemporaryDir dir;
  CorvidApp app(CorvidPortSetup(true), prompts,
                std::make_unique<SettingsStore>(dir.filePath("Corvid.conf")));
  auto& model = *static_cast<SwitchPackModel*>(app.Model());
  MainWindow window(app);
  window.MarkSimulated();
  window.Load();
  app.session().Loop().Timer()->stop();
  EXPECT_TRUE(window.windowTitle().contains("SIMULATED") &&
              window.findChild<QLabel*>("lblSimulated")->isVisibleTo(&window));
  window.OutputDisableBox(1)->setChecked(false);
  app.session().PollTick();
  EXPECT_EQ((QStringList{Spoken(window.findChild<QLabel*>("sbStatus_1")),
                         Spoken(window.findChild<QLabel*>("sbStatus_2")),
                         window.MainsVoltageBox()->text()}),
            (QStringList{"Device Type = VELD-LV", "PC Comm Port = Simulated", "120.0"}));
  EXPECT_EQ(model.DisableBits(), 0x3D);
}

}  // namespace
}  // namespace corvid::monitor
