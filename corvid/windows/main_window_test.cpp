#include "corvid/windows/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <set>

#include "common/core/hex_text.h"
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
using common::testing::Hex;
using testing::Harness;
using testing::Payload;
using testing::StatusPayload;
using testing::StatusValues;
using Codes = Bytes;

QString Text(Harness& h, const QString& name) {
  if (auto* box = h.Find<QLineEdit>(name)) return box->text();
  return h.Find<QLabel>(name)->text();
}
QString Panel(Harness& h, int n) { return Text(h, QStringLiteral("sbStatus_%1").arg(n)); }
QString Nth(const char* base, int i) { return QStringLiteral("%1_%2").arg(base).arg(i); }

TEST(MainWindowTest, StatusCommandCarriesControlsAndLayout) {
  Harness h;
  for (const char* name : {"chkFaultLED_1", "chkOutDisable_0", "chkOutDisable_5"}) {
    auto* box = h.Find<QCheckBox>(name);
    // On the box itself, not on the room a wide layout may give the control.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  }
  EXPECT_TRUE(h.Find<Indicator>("shpFault_1")->Filled());
  EXPECT_FALSE(h.Find<Indicator>("shpFault_0")->Filled());
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(h.device.commands.back(), (Payload{0x01, 0x82, 0x80 | 0x1E}));

  auto fill = [&](int i) { return h.Find<Indicator>(Nth("shpSignal", i))->Colour(); };
  const QColor red(255, 0, 0), yellow(255, 255, 0), green(0, 255, 0);
  h.window.AddressBox()->setCurrentIndex(29);  // "0x1D", slot 30: flash unit
  EXPECT_EQ(h.app.store().Load().SlotAddress, 30);
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(h.Port().TakeWritten().back(), Hex("7E 1E 13 02 9E 8B B5 7E"));
  const QStringList rows = {"lblCh1Red", "lblCh1Yel", "lblCh1Grn",
                            "lblCh2Red", "lblCh2Yel", "lblCh2Grn"};
  QStringList captions;
  for (const QString& row : rows) captions << Text(h, row);
  EXPECT_EQ(captions, (QStringList{"1-1", "1-2", "Green", "Red", "2-1", "2-2"}));
  EXPECT_EQ((std::array{fill(0), fill(1), fill(2), fill(3), fill(4), fill(5)}),
            (std::array{red, red, green, red, red, red}));

  h.window.AddressBox()->setCurrentIndex(0);
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(h.device.commands.back(), (Payload{0x01, 0x82, 0x9E}));
  captions.clear();
  for (const QString& row : rows) captions << Text(h, row);
  EXPECT_EQ(captions, (QStringList{"Red", "Yel", "Green", "Red", "Yel", "Grn"}));
  EXPECT_EQ((std::array{fill(1), fill(4), fill(5)}), (std::array{yellow, yellow, green}));

  h.window.AddressBox()->setCurrentIndex(20);  // a "--" entry still polls, at slot 21
  ASSERT_EQ(h.window.AddressBox()->currentText(), "--");
  h.session.GetStatus();
  EXPECT_EQ(h.Port().TakeWritten().back().at(1), char(21));
}

TEST(MainWindowTest, StatusDecodedIntoTheWindow) {
  Harness h;
  StatusValues v{.status_bits = 0x09,
                 .mains = 1241,
                 .volts = {0, 5, 1203, 16383, 1200, 999},
                 .amps = {0, 7, 2400, 16383, 12, 100},
                 .on_bits = 0x05,
                 .fault_bits = 0x22};
  Payload payload = StatusPayload(v);
  payload[2] |= 0x80;  // 0xD9 0x89: bit 7 ignored
  payload[3] |= 0x80;
  h.device.payloads[0x01] = payload;
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(h.window.MainsVoltageBox()->text(), "124.1");
  const QStringList volts = {"0.0", "0.5", "120.3", "1638.3", "120.0", "99.9"};
  const QStringList amps = {"0", "7", "2400", "16383", "12", "100"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(h.window.FieldVoltsBox(i)->text(), volts[i]);
    EXPECT_EQ(h.window.FieldAmpsBox(i)->text(), amps[i]);
    EXPECT_EQ(h.Find(Nth("shpSignal", i))->accessibleDescription(), i == 0 || i == 2 ? "on" : "off")
        << i;
    EXPECT_EQ(h.Find<Picture>(Nth("imgFault", i))->Shown(), i == 1 || i == 5) << i;
  }
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(h.Find<QCheckBox>(Nth("chkStatus", k))->isChecked(), k == 0 || k == 3);
  EXPECT_TRUE(h.Find<Picture>("img24Vlow")->Shown());
  h.device.payloads[0x01] = StatusPayload({.mains = 0});
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(h.window.MainsVoltageBox()->text(), "0.0");
  EXPECT_EQ(h.Find<Picture>("img24Vlow")->accessibleDescription(), "off");
}

TEST(MainWindowTest, DiagnosticAndIdentityDecoded) {
  Harness h;
  h.device.payloads[0x7B] = {0xFB, 0x02, 0xFE, 0xFF, 255, 254, 0, 17};
  ASSERT_TRUE(h.session.GetDiagnostic());
  QStringList texts;
  for (const char* name : {"txtTemperature", "txtCRCErrors", "txtRxOverflows", "txtRegErrors",
                           "txtRxErrors", "txtDataFlashErrors"})
    texts << Text(h, name);
  EXPECT_EQ(texts, (QStringList{"-2", "255>", "254", "0", "17", "--"}));
  EXPECT_FALSE(h.Find<Picture>("imgRegFault")->Shown());
  EXPECT_TRUE(h.Find<Picture>("imgDataFlashFault")->Shown());

  h.device.payloads[0x3C] = {0xBC, 5, ' ', ' ', 'T', 'y', 'p', 'e', ' ', '0', '3', ' ', ' '};
  ASSERT_TRUE(h.session.GetModuleID());
  EXPECT_EQ(Panel(h, 1), "Device Type = KRAN-LV");
  EXPECT_EQ(Text(h, "txtDeviceID"), "Type 03");
  EXPECT_EQ(h.app.state().module_type, 3);
  h.device.payloads[0x3C] = {0xBC, 7};
  ASSERT_TRUE(h.session.GetModuleID());
  EXPECT_EQ(Panel(h, 1), "Device Type = Unknown");
}

TEST(MainWindowTest, RespondingTransitions) {
  Harness h;
  auto* shape = h.Find("shpResponding");
  auto* picture = h.Find("imgNotResponding");
  auto* device_id = h.Find<QLineEdit>("txtDeviceID");
  auto state = [&] {
    return std::tuple(shape->isHidden(), picture->isHidden(), Text(h, "lblRespnding"));
  };
  EXPECT_EQ(state(), std::tuple(true, false, "Device Not Responding"));
  h.Tick();  // answering from the first poll
  EXPECT_EQ(state(), std::tuple(false, true, "Device Responding"));
  EXPECT_EQ(device_id->text(), "Type 03 Rev 1.12");

  h.link.SetResponseWindowMs(5);
  h.device.silent = true;
  EXPECT_FALSE(h.session.GetStatus());
  EXPECT_EQ(state(), std::tuple(true, false, "Device Not Responding"));
  EXPECT_EQ(picture->accessibleDescription(), "on");
  EXPECT_FALSE(device_id->isEnabled());
  EXPECT_FALSE(h.Find("lblDeviceID")->isEnabled());
  EXPECT_EQ(device_id->text(), "");
  EXPECT_TRUE(h.Find("fraMains")->isEnabled());  // frames are left as they are

  // Disabled frames come back with everything inside them on the next success.
  common::EnableFrame(h.Find("fraFieldStatus"), false);
  common::EnableFrame(h.Find("fraMains"), false);
  h.device.silent = false;
  EXPECT_TRUE(h.session.GetModuleID());
  EXPECT_EQ(state(), std::tuple(false, true, "Device Responding"));
  EXPECT_EQ(h.Find("lblRespnding")->accessibleName(), "Device Responding");
  EXPECT_TRUE(device_id->isEnabled());
  EXPECT_TRUE(h.window.FieldVoltsBox(4)->isEnabled());
  EXPECT_TRUE(h.window.MainsVoltageBox()->isEnabled());
}

// The status text keeps one place whichever state it reports, and nothing beside it moves.
TEST(MainWindowTest, RespondingTextKeepsItsPlace) {
  Harness h;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
  auto* label = h.Find<QLabel>("lblRespnding");
  const auto places = [&] {
    h.window.layout()->activate();
    QCoreApplication::processEvents();
    return std::tuple(label->geometry(), h.Find("fraMains")->geometry(),
                      h.Find("fraFieldStatus")->geometry());
  };
  const auto not_responding = places();
  h.Tick();
  ASSERT_EQ(label->text(), "Device Responding");
  EXPECT_EQ(places(), not_responding);
  EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
}

// Maximised on a large screen the frames take the room; the window is not left empty.
TEST(MainWindowTest, ALargeWindowIsFilledByItsFrames) {
  Harness h;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
  const QSize minimum = h.window.minimumSizeHint();
  h.window.resize(1900, 1100);
  QCoreApplication::processEvents();
  h.window.layout()->activate();
  QWidget* central = h.window.centralWidget();
  const auto bottom_of = [&](const char* name) {
    QWidget* w = h.Find(name);
    return w->mapTo(central, QPoint(0, w->height())).y();
  };
  // Each column's last frame ends near the bottom of the window's area.
  EXPECT_GT(bottom_of("fraDiagnostic"), central->height() - 40);
  EXPECT_GT(bottom_of("cmdCheckOutputs"), central->height() - 40);
  EXPECT_GT(h.Find("fraFieldStatus")->height(), central->height() / 3);
  EXPECT_EQ(h.window.minimumSizeHint(), minimum);
}

TEST(MainWindowTest, CountersInTheStatusBarAndClearErrors) {
  Harness h;
  EXPECT_EQ((QStringList{Panel(h, 3), Panel(h, 4), Panel(h, 5)}),
            (QStringList{"CRC Errors = 0", "Rx Timeouts = 0", "Rx NAKs= 0"}));
  h.device.payloads[0x01] = {0x80};  // NAK
  h.link.Counters().crc_errors = 4;
  h.link.Counters().timeouts = 9;
  h.Tick();
  EXPECT_EQ((QStringList{Panel(h, 3), Panel(h, 4), Panel(h, 5)}),
            (QStringList{"CRC Error = 4", "Rx Timeout = 9", "Rx NAKs = 1"}));
  h.device.TakeCodes();
  QTest::mouseClick(h.Find<QPushButton>("cmdClearErrors"), Qt::LeftButton);
  EXPECT_TRUE(h.device.TakeCodes().empty());  // nothing is sent
  EXPECT_EQ((QStringList{Panel(h, 3), Panel(h, 4), Panel(h, 5)}),
            (QStringList{"CRC Error = 0", "Rx Timeout = 0", "Rx NAKs = 0"}));
}

TEST(MainWindowTest, OpenMenuSkipsTheTickButRefreshesCounters) {
  Harness h;
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
  h.window.activateWindow();
  QTest::keyClick(&h.window, Qt::Key_C, Qt::AltModifier);  // drops "&Calibrate" down
  ASSERT_TRUE(h.window.CalibrateMenu()->isVisible());
  h.link.Counters().timeouts = 3;
  h.Tick();
  EXPECT_TRUE(h.device.TakeCodes().empty());
  EXPECT_EQ(h.app.state().poll_count, 0);
  EXPECT_EQ(Panel(h, 4), "Rx Timeout = 3");
  QTest::keyClick(h.window.CalibrateMenu(), Qt::Key_Escape);
  // The bar is left in keyboard mode, which must not hold the polling.
  h.Tick();
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x3C, 0x7B, 0x01}));
}

// What the status bar shows is what a screen reader reads, and counts up to 9 999 999
// fit their panels at the window's default size.
TEST(MainWindowTest, StatusPanelsShowWholeCountsAndSpeakTheirText) {
  Harness h;
  h.link.Counters().crc_errors = 9999999;
  h.link.Counters().timeouts = 9999999;
  h.link.Counters().naks = 255;
  h.Tick();
  h.window.resize(h.window.sizeHint());
  h.window.layout()->activate();
  QTest::qWait(1);
  for (int i = 1; i <= 5; ++i) {
    auto* panel = h.Find<QLabel>(QStringLiteral("sbStatus_%1").arg(i));
    EXPECT_GE(panel->width(), panel->sizeHint().width()) << panel->text().toStdString();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(panel);
    EXPECT_EQ(a->text(QAccessible::Name), panel->text());
  }
  EXPECT_EQ(Panel(h, 4), "Rx Timeout = 9999999");
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(h.Find("sbStatus_3"))->text(QAccessible::Description),
      "CRC errors");
}

// At the keyboard: the focus starts on the first control a technician operates, and
// Tab reaches every one of them before the read-only value boxes.
TEST(MainWindowTest, FocusStartsOnTheControlsAndValueBoxesComeLast) {
  Harness h;
  ASSERT_TRUE(QTest::qWaitForWindowActive(&h.window));
  EXPECT_EQ(QApplication::focusWidget(), h.window.OutputDisableBox(0));
  QStringList visited;
  for (int i = 0; i < 40 && !visited.contains(QApplication::focusWidget()->objectName()); ++i) {
    visited << QApplication::focusWidget()->objectName();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  const QStringList operable = {"chkOutDisable_0", "chkOutDisable_1", "chkOutDisable_2",
                                "chkOutDisable_3", "chkOutDisable_4", "chkOutDisable_5",
                                "chkFaultLED_0",   "chkFaultLED_1",   "cmbAddress",
                                "cmdCheckOutputs", "cmdClearErrors"};  // Full Calibrate is off
  EXPECT_EQ(visited.mid(0, operable.size()), operable);
  for (const QString& name : visited.mid(operable.size())) {
    auto* box = h.Find<QLineEdit>(name);
    EXPECT_TRUE(box != nullptr && box->isReadOnly()) << name.toStdString();
  }
  EXPECT_TRUE(visited.contains("txtMainsVoltage"));
  EXPECT_TRUE(visited.contains("txtFieldAmps_5"));
}

TEST(MainWindowTest, ControlsMenusAndTexts) {
  Harness h;
  // Every named control speaks; a few that only the layout would otherwise show.
  for (QWidget* w : h.window.findChildren<QWidget*>()) {
    if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_")) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
      EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->objectName().toStdString();
    }
  }
  for (const char* name : {"fraChannel_1", "fraField_1", "Label1", "imgFault_5", "chkOutDisable_5"})
    EXPECT_NE(h.Find(name), nullptr) << name;
  EXPECT_EQ(h.session.Loop().Timer()->objectName(), "tmrPoll");
  EXPECT_EQ(h.window.windowTitle(), "Corvid");
  EXPECT_EQ(h.Find("txtFieldVolts_0")->accessibleName(), "Channel 1 Red field voltage");
  EXPECT_EQ(h.Find<QGroupBox>("fraDiagnostic")->title(), "VELD Diagnostic");
  EXPECT_EQ(h.Find<QCheckBox>("chkStatus_3")->text(), "Diagostic Fail");
  EXPECT_FALSE(h.Find("fraStatusRO")->isEnabled());
  EXPECT_FALSE(h.Find("txtDataFlashErrors")->isEnabled());
  EXPECT_EQ((QStringList{Panel(h, 1), Panel(h, 2)}),
            (QStringList{"Device Type = ?", "PC Comm Port = 1"}));
  EXPECT_EQ(h.Find("sbStatus_1")->toolTip(), "Switch Pack Type");
  EXPECT_EQ(h.Find("sbStatus_2")->toolTip(), "Computer Comm Port Number");
  EXPECT_EQ((QStringList{Text(h, "txtFieldVolts_0"), Text(h, "txtFieldAmps_2"),
                         Text(h, "txtFieldVolts_3"), Text(h, "txtFieldAmps_5"),
                         Text(h, "txtTemperature")}),
            (QStringList{"0.0", "0", "000.0", "0000", "--"}));
  std::map<QString, QString> captions;
  for (QAction* action : h.window.findChildren<QAction*>())
    captions[action->objectName()] = action->text();
  for (const auto& [name, caption] : {std::pair{"mnuPortSettings", "&Settings"},
                                      {"mnuCalAuto", "Auto"},
                                      {"mnuCalManual", "Manual"},
                                      {"mnuCalSettings", "Calibration Settings"},
                                      {"mnuHelpItem", "&Help"},
                                      {"mnuAboutDevice", "About Vanta Device"},
                                      {"mnuAboutPgm", "&About Corvid"},
                                      {"mnuCalibrate", "&Calibrate"},
                                      {"mnuPort", "&Port"}})
    EXPECT_EQ(captions[name], caption) << name;
  QSet<QChar> mnemonics;  // Alt+letter opens one menu each
  for (QAction* menu : h.window.menuBar()->actions())
    mnemonics.insert(menu->text().at(menu->text().indexOf('&') + 1).toLower());
  EXPECT_EQ(mnemonics.size(), h.window.menuBar()->actions().size());
  for (const char* name : {"mnuCalVoltage", "mnuCalCurrent"})
    EXPECT_FALSE(h.window.findChild<QAction*>(name)->isEnabled());
}

TEST(MainWindowTest, HelpAboutDeviceAndAboutBox) {
  Harness h;
  auto trigger = [&](const char* name) { h.window.findChild<QAction*>(name)->trigger(); };
  trigger("mnuHelpItem");
  ASSERT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_EQ(h.prompts.shown()[0].title, "You really need Help?");
  EXPECT_EQ(h.prompts.shown()[0].text,
            "No Help is available. Would you like a tall Mai-Tai instead?");
  EXPECT_EQ(h.prompts.shown()[0].icon, common::Icon::kNone);

  auto about_device = [&] {
    trigger("mnuAboutDevice");
    auto* dialog = h.window.findChild<QDialog*>("frmAboutDevice");
    EXPECT_TRUE(dialog->isVisible() && dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "About Device");
    QStringList texts;
    for (const char* name : {"lblType", "lblID", "lblFirmware"}) {
      auto* label = dialog->findChild<QLabel*>(name);
      texts << label->text();
      // A screen reader hears the device's values, not only the frame captions.
      if (!label->text().isEmpty()) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name),
                  label->text());
      }
    }
    dialog->accept();
    return texts;
  };
  EXPECT_EQ(about_device(), (QStringList{"<Unknown Device Type>", "", "Type: 0  Revision: 0.0"}));
  h.device.payloads[0x3C][1] = 5;
  ASSERT_TRUE(h.session.GetModuleID());
  EXPECT_EQ(about_device(),
            (QStringList{"KRAN-LV, 48 Vdc power", "Type 03 Rev 1.12", "Type: 3  Revision: 1.12"}));

  for (const char* target : {"lblAbout", "imgLogo"}) {  // any click closes it
    trigger("mnuAboutPgm");
    auto* about = h.window.findChild<QDialog*>("frmAbout");
    ASSERT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), "About " + QCoreApplication::applicationName());
    QTest::mouseClick(about->findChild<QWidget*>(target), Qt::LeftButton);
    EXPECT_FALSE(about->isVisible());
  }
}

TEST(MainWindowTest, SimulatedSwitchPackFollowsTheWindow) {
  // The window against the switch-pack model as /sim runs it: at whatever slot is selected.
  common::ScriptedPrompts prompts;
  QTemporaryDir dir;
  CorvidApp app(CorvidPortSetup(true), prompts,
                std::make_unique<SettingsStore>(dir.filePath("Corvid.conf")));
  auto& model = *static_cast<SwitchPackModel*>(app.Model());
  MainWindow window(app);
  window.MarkSimulated();
  window.Load();
  app.session().Loop().Timer()->stop();
  EXPECT_TRUE(window.windowTitle().contains("SIMULATED"));
  EXPECT_TRUE(window.findChild<QLabel*>("lblSimulated")->isVisibleTo(&window));
  // No port is used: the panel and the port dialog say so, and nothing is stored.
  EXPECT_EQ(window.findChild<QLabel*>("sbStatus_2")->text(), "PC Comm Port = Simulated");
  window.findChild<QAction*>("mnuPortSettings")->trigger();
  auto* port_dialog = window.findChild<QDialog*>("frmCommBox");
  ASSERT_TRUE(port_dialog->isVisible());
  EXPECT_TRUE(port_dialog->findChild<QLabel*>("lblSimulated")->isVisible());
  QTest::mouseClick(port_dialog->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  EXPECT_FALSE(port_dialog->isVisible());
  EXPECT_EQ(window.findChild<QLabel*>("sbStatus_2")->text(), "PC Comm Port = Simulated");
  EXPECT_FALSE(
      QSettings(dir.filePath("Corvid.conf"), QSettings::IniFormat).contains("port/portnum"));
  window.OutputDisableBox(0)->setChecked(false);
  for (int i = 0; i < 3; ++i) app.session().PollTick();
  EXPECT_EQ(window.findChild<QLabel*>("sbStatus_1")->text(), "Device Type = VELD-LV");
  EXPECT_EQ(window.MainsVoltageBox()->text(), "120.0");
  EXPECT_EQ(model.DisableBits(), 0x3E);
  EXPECT_TRUE(window.findChild<Indicator*>("shpSignal_0")->Filled());
  EXPECT_FALSE(window.findChild<Indicator*>("shpSignal_1")->Filled());
  window.AddressBox()->setCurrentIndex(30);  // slot 31, flash-unit status
  window.OutputDisableBox(1)->setChecked(false);
  EXPECT_TRUE(app.session().GetStatus());
  EXPECT_EQ(model.DisableBits(), 0x3C);
  const LinkCounters& c = app.session().Counters();
  EXPECT_EQ(c.crc_errors + c.timeouts + c.naks, 0);
}

TEST(MainWindowTest, CheckOutputsButtonIsOffWhileItRunsAndTheBoxesFollow) {
  Harness h;
  h.window.SetCheckPauseMs(1);
  h.app.state().device_type = 2;
  h.app.settings().cal.lv_resistor = 50;
  std::set<int> driven;
  int probes = 0, button_on = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    ++probes;
    button_on += h.Find("cmdCheckOutputs")->isEnabled();
    for (int i = 0; i < 6; ++i) {
      if (!h.window.OutputDisableBox(i)->isChecked()) driven.insert(i);
    }
  });
  probe.start(2);
  QTest::mouseClick(h.Find<QPushButton>("cmdCheckOutputs"), Qt::LeftButton);
  probe.stop();
  EXPECT_GT(probes, 20);
  EXPECT_EQ(button_on, 0);
  EXPECT_EQ(driven, (std::set<int>{0, 1, 2, 3, 4, 5}));  // each box showed its output on
  EXPECT_TRUE(h.Find("cmdCheckOutputs")->isEnabled());
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(h.window.OutputDisableBox(i)->isChecked()) << i;
  EXPECT_TRUE(h.prompts.shown().empty());
}

// Port, "&Link Trace" with the mouse: one modeless window that lists the poll's
// commands and answers as they cross the line.
TEST(MainWindowTest, LinkTraceFromThePortMenu) {
  Harness h;
  QMenu* port = h.Find<QMenu>("mnuPort");
  QStringList items;
  for (QAction* action : port->actions()) items << action->text();
  EXPECT_EQ(items, (QStringList{"&Settings", "&Link Trace"}));
  EXPECT_FALSE(h.app.Tap().Listening());

  ASSERT_TRUE(common::testing::ChooseFromMenuBar(h.window.menuBar(), port,
                                                 h.Find<QAction>("mnuLinkTrace")));
  common::LinkTraceWindow* trace = h.window.LinkTrace();
  ASSERT_NE(trace, nullptr);
  EXPECT_TRUE(trace->isVisible());
  EXPECT_FALSE(trace->isModal());
  EXPECT_TRUE(h.app.Tap().Listening());

  // The first tick: identification, diagnostic and status, each answered.
  h.Tick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return trace->Model().rowCount() == 6; }, 2000));
  QStringList rows;
  for (int i = 0; i < 6; ++i) {
    const common::TraceRecord* r = trace->Model().RecordAt(i);
    rows << QString::fromStdString(r->name + " " + common::OutcomeText(*r));
  }
  EXPECT_EQ(rows, (QStringList{"GetModuleID sent", "GetModuleID ok", "GetDiagnostic sent",
                               "GetDiagnostic ok", "GetStatus sent", "GetStatus ok"}));
  // All six outputs disabled, as at start-up.
  EXPECT_EQ(common::HexBytes(trace->Model().RecordAt(4)->bytes), "7E 01 13 01 80 BF 33 B9 7E");

  // Chosen again: the same window.
  h.Find<QAction>("mnuLinkTrace")->trigger();
  EXPECT_EQ(h.window.LinkTrace(), trace);
}

}  // namespace
}  // namespace corvid::monitor
