#include "corvid/monitor/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "common/testing/test_support.h"
#include "common/window_helpers.h"
#include "corvid/monitor/about_dialogs.h"
#include "corvid/monitor/indicators.h"
#include "corvid/monitor/test_harness.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid::monitor {
namespace {

using common::testing::Hex;
using common::testing::ToHex;
using testing::Harness;
using testing::Payload;
using testing::StatusPayload;
using testing::StatusValues;

QString Panel(Harness& h, int n) { return h.Find<QLabel>(QStringLiteral("sbStatus_%1").arg(n))->text(); }

TEST(MainWindowTest, PollScheduleOnTheWireAndWrap) {
  Harness h;
  std::map<int, std::vector<std::uint8_t>> sent;
  for (int tick = 0; tick < 260; ++tick) {
    h.window.PollTick();
    sent[tick] = h.device.TakeCodes();
  }
  using Codes = std::vector<std::uint8_t>;
  const Codes all{0x3C, 0x7B, 0x01}, id{0x3C, 0x01}, status{0x01};
  EXPECT_EQ(sent[0], all);
  EXPECT_EQ(sent[1], status);
  EXPECT_EQ(sent[3], status);
  EXPECT_EQ(sent[4], id);
  EXPECT_EQ(sent[5], status);
  EXPECT_EQ(sent[9], all);
  EXPECT_EQ(sent[14], id);
  EXPECT_EQ(sent[19], all);
  EXPECT_EQ(sent[249], all);
  EXPECT_EQ(sent[254], id);
  EXPECT_EQ(sent[255], status);
  EXPECT_EQ(sent[256], all);  // the count wrapped to 0
  EXPECT_EQ(sent[257], status);
  EXPECT_EQ(sent[259], status);  // count 3
  int identify = 0, diagnostic = 0, statuses = 0;
  for (int tick = 0; tick < 256; ++tick) {
    for (auto code : sent[tick]) {
      identify += code == 0x3C;
      diagnostic += code == 0x7B;
      statuses += code == 0x01;
    }
  }
  EXPECT_EQ(identify, 52);
  EXPECT_EQ(diagnostic, 26);
  EXPECT_EQ(statuses, 256);
  EXPECT_EQ(h.app.globals.PollCount, 260 - 256);
}

TEST(MainWindowTest, StartUpFramesDisableEveryOutput) {
  Harness h;
  h.window.PollTick();
  const QList<QByteArray> written = h.port.TakeWritten();
  ASSERT_EQ(written.size(), 3);
  EXPECT_EQ(written[0], Hex("7E 01 13 3C 06 D8 7E"));
  EXPECT_EQ(written[1], Hex("7E 01 13 7B BD EE 7E"));
  EXPECT_EQ(written[2], Hex("7E 01 13 01 80 BF 33 B9 7E"));
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(h.window.chkOutDisable(i)->isChecked());
  // The stored slot address was written back at start.
  EXPECT_EQ(h.store.Load().SlotAddress, 1);
}

TEST(MainWindowTest, StatusCommandCarriesTheControls) {
  Harness h;
  QTest::mouseClick(h.Find<QCheckBox>("chkFaultLED_1"), Qt::LeftButton);
  QTest::mouseClick(h.Find<QCheckBox>("chkOutDisable_0"), Qt::LeftButton);
  EXPECT_FALSE(h.window.chkOutDisable(0)->isChecked());
  QTest::mouseClick(h.Find<QCheckBox>("chkOutDisable_5"), Qt::LeftButton);
  EXPECT_TRUE(h.Find<Shape>("shpFault_1")->Filled());
  EXPECT_EQ(h.Find<Shape>("shpFault_1")->accessibleDescription(), "on");
  EXPECT_FALSE(h.Find<Shape>("shpFault_0")->Filled());
  ASSERT_TRUE(h.window.GetStatus());
  ASSERT_EQ(h.device.commands.size(), 1u);
  EXPECT_EQ(h.device.commands[0], (Payload{0x01, 0x82, 0x80 | 0x1E}));
  QTest::mouseClick(h.Find<QCheckBox>("chkFaultLED_1"), Qt::LeftButton);
  EXPECT_FALSE(h.Find<Shape>("shpFault_1")->Filled());
}

TEST(MainWindowTest, FlashUnitLayoutAndBack) {
  Harness h;
  auto* combo = h.window.cmbAddress();
  auto label = [&](const char* name) { return h.Find<QLabel>(name)->text(); };
  auto fill = [&](int i) { return h.Find<Shape>(QStringLiteral("shpSignal_%1").arg(i))->FillColor(); };

  combo->setCurrentIndex(29);  // "0x1D", slot 30
  EXPECT_EQ(h.store.Load().SlotAddress, 30);
  QTest::mouseClick(h.Find<QCheckBox>("chkFaultLED_0"), Qt::LeftButton);  // not carried
  ASSERT_TRUE(h.window.GetStatus());
  EXPECT_EQ(h.port.TakeWritten().back(), Hex("7E 1E 13 02 BF 00 85 7E"));
  EXPECT_EQ(label("lblCh1Red"), "1-1");
  EXPECT_EQ(label("lblCh1Yel"), "1-2");
  EXPECT_EQ(label("lblCh1Grn"), "Green");
  EXPECT_EQ(label("lblCh2Red"), "Red");
  EXPECT_EQ(label("lblCh2Yel"), "2-1");
  EXPECT_EQ(label("lblCh2Grn"), "2-2");
  for (int i : {0, 1, 3, 4, 5}) EXPECT_EQ(fill(i), QColor(255, 0, 0)) << i;
  EXPECT_EQ(fill(2), QColor(0, 255, 0));

  combo->setCurrentIndex(0);
  EXPECT_EQ(h.store.Load().SlotAddress, 1);
  ASSERT_TRUE(h.window.GetStatus());
  EXPECT_EQ(h.device.commands.back(), (Payload{0x01, 0x81, 0xBF}));
  EXPECT_EQ(label("lblCh1Red"), "Red");
  EXPECT_EQ(label("lblCh1Yel"), "Yel");
  EXPECT_EQ(label("lblCh2Yel"), "Yel");
  EXPECT_EQ(label("lblCh2Grn"), "Grn");
  EXPECT_EQ(fill(1), QColor(255, 255, 0));
  EXPECT_EQ(fill(4), QColor(255, 255, 0));
  EXPECT_EQ(fill(5), QColor(0, 255, 0));

  combo->setCurrentIndex(20);  // a "--" entry still polls, at slot 21
  ASSERT_EQ(combo->currentText(), "--");
  h.window.GetStatus();
  EXPECT_EQ(h.port.TakeWritten().back().at(1), char(21));
}

TEST(MainWindowTest, StatusDecodedIntoTheWindow) {
  Harness h;
  StatusValues v;
  v.status_bits = 0x09;  // 24VDC Low, Diagostic Fail
  v.mains = 1241;
  v.volts = {0, 5, 1203, 16383, 1200, 999};
  v.amps = {0, 7, 2400, 16383, 12, 100};
  v.on_bits = 0x05;
  v.fault_bits = 0x22;
  Payload payload = StatusPayload(v);
  payload[2] |= 0x80;  // marker bits are ignored
  payload[3] |= 0x80;
  h.device.payloads[0x01] = payload;
  ASSERT_TRUE(h.window.GetStatus());

  EXPECT_EQ(h.window.txtMainsVoltage()->text(), "124.1");
  const std::array<QString, 6> volts = {"0.0", "0.5", "120.3", "1638.3", "120.0", "99.9"};
  const std::array<QString, 6> amps = {"0", "7", "2400", "16383", "12", "100"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(h.window.txtFieldVolts(i)->text(), volts[i]) << i;
    EXPECT_EQ(h.window.txtFieldAmps(i)->text(), amps[i]) << i;
    auto* shape = h.Find<Shape>(QStringLiteral("shpSignal_%1").arg(i));
    EXPECT_EQ(shape->Filled(), i == 0 || i == 2) << i;
    EXPECT_EQ(shape->accessibleDescription(), (i == 0 || i == 2) ? "on" : "off");
    EXPECT_EQ(h.Find<Picture>(QStringLiteral("imgFault_%1").arg(i))->Shown(), i == 1 || i == 5) << i;
  }
  const std::array<bool, 4> status = {true, false, false, true};
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(h.Find<QCheckBox>(QStringLiteral("chkStatus_%1").arg(k))->isChecked(), status[k]) << k;
  EXPECT_TRUE(h.Find<Picture>("img24Vlow")->Shown());

  v = {};
  h.device.payloads[0x01] = StatusPayload(v);
  ASSERT_TRUE(h.window.GetStatus());
  EXPECT_FALSE(h.Find<Picture>("img24Vlow")->Shown());
  EXPECT_EQ(h.Find<Picture>("img24Vlow")->accessibleDescription(), "off");
  EXPECT_FALSE(h.Find<QCheckBox>("chkStatus_3")->isChecked());
}

TEST(MainWindowTest, ADifferentAcceptedCodeGoesToTheStatusDecoder) {
  Harness h;
  // A 0x82 answer to a 0x01 command is taken as the status it carries.
  StatusValues v;
  v.mains = 1100;
  h.device.payloads[0x01] = StatusPayload(v, 0x82);
  ASSERT_TRUE(h.window.GetStatus());
  EXPECT_EQ(h.window.txtMainsVoltage()->text(), "110.0");
}

TEST(MainWindowTest, DiagnosticAndIdentityDecoded) {
  Harness h;
  h.device.payloads[0x7B] = {0xFB, 0x03, 0xFE, 0xFF, 255, 254, 0, 17};
  ASSERT_TRUE(h.window.GetDiagnostic());
  EXPECT_EQ(h.Find<QLineEdit>("txtTemperature")->text(), "-2");
  EXPECT_EQ(h.Find<QLineEdit>("txtCRCErrors")->text(), "255>");
  EXPECT_EQ(h.Find<QLineEdit>("txtRxOverflows")->text(), "254");
  EXPECT_EQ(h.Find<QLineEdit>("txtRegErrors")->text(), "0");
  EXPECT_EQ(h.Find<QLineEdit>("txtRxErrors")->text(), "17");
  EXPECT_EQ(h.Find<QLineEdit>("txtDataFlashErrors")->text(), "--");
  EXPECT_TRUE(h.Find<Picture>("imgRegFault")->Shown());
  EXPECT_TRUE(h.Find<Picture>("imgDataFlashFault")->Shown());
  h.device.payloads[0x7B] = {0xFB, 0x01, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(h.window.GetDiagnostic());
  EXPECT_TRUE(h.Find<Picture>("imgRegFault")->Shown());
  EXPECT_FALSE(h.Find<Picture>("imgDataFlashFault")->Shown());

  h.device.payloads[0x3C] = testing::IdPayload(5, "  Type 03 Rev 1.12  ");
  ASSERT_TRUE(h.window.GetModuleID());
  EXPECT_EQ(Panel(h, 1), "Device Type = KRAN-LV");
  EXPECT_EQ(h.Find<QLineEdit>("txtDeviceID")->text(), "Type 03 Rev 1.12");
  EXPECT_EQ(h.app.globals.ModuleType, 3);
  EXPECT_EQ(h.app.globals.FirmwareMajor, 1);
  EXPECT_EQ(h.app.globals.FirmwareMinor, 12);

  h.device.payloads[0x3C] = testing::IdPayload(7, "x");
  ASSERT_TRUE(h.window.GetModuleID());
  EXPECT_EQ(Panel(h, 1), "Device Type = Unknown");
}

TEST(MainWindowTest, ShortPayloadsLeaveTheWindowUntouched) {
  Harness h;
  h.window.PollTick();  // a good first poll fills everything
  auto snapshot = [&] {
    QStringList texts;
    for (auto* box : h.window.findChildren<QLineEdit*>()) texts << box->objectName() + "=" + box->text();
    for (auto* box : h.window.findChildren<QCheckBox*>()) texts << box->objectName() + (box->isChecked() ? "1" : "0");
    for (auto* shape : h.window.findChildren<Shape*>()) texts << shape->objectName() + (shape->Filled() ? "1" : "0");
    for (auto* pic : h.window.findChildren<Picture*>()) texts << pic->objectName() + (pic->Shown() ? "1" : "0");
    texts << Panel(h, 1);
    return texts;
  };
  const QStringList before = snapshot();
  const int type_before = h.app.globals.DeviceType;

  Payload status = StatusPayload({});
  status.resize(29);
  h.device.payloads[0x01] = status;
  h.device.payloads[0x7B] = {0xFB, 0x03, 0xFE, 0xFF, 255, 254, 0};
  h.device.payloads[0x3C] = {0xBC};
  EXPECT_FALSE(h.window.GetStatus());
  EXPECT_FALSE(h.window.GetDiagnostic());
  EXPECT_FALSE(h.window.GetModuleID());
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(h.app.globals.DeviceType, type_before);

  // A failed exchange (bad FCS) changes nothing but the link counters.
  corvid::Bytes bad = BuildCommandFrame(1, StatusPayload({}));
  bad[bad.size() - 2] ^= 0x01;
  h.device.raw_reply = bad;
  EXPECT_FALSE(h.window.GetStatus());
  EXPECT_EQ(h.link.Counters().CrcErrorCount, 1);
}

TEST(MainWindowTest, RespondingTransitions) {
  Harness h;
  auto* shape = h.Find<Shape>("shpResponding");
  auto* picture = h.Find<Picture>("imgNotResponding");
  auto* label = h.Find<QLabel>("lblRespnding");
  auto* device_id = h.Find<QLineEdit>("txtDeviceID");
  EXPECT_TRUE(shape->isHidden());
  EXPECT_FALSE(picture->isHidden());
  EXPECT_EQ(label->text(), "Device Not Responding");

  h.window.PollTick();  // a device answering from the first poll is shown as responding
  EXPECT_FALSE(shape->isHidden());
  EXPECT_TRUE(picture->isHidden());
  EXPECT_EQ(label->text(), "Device Responding");
  EXPECT_EQ(device_id->text(), "Type 03 Rev 1.12");

  h.link.SetResponseWindowMs(5);
  h.device.silent = true;
  EXPECT_FALSE(h.window.GetStatus());
  EXPECT_TRUE(shape->isHidden());
  EXPECT_FALSE(picture->isHidden());
  EXPECT_EQ(picture->accessibleDescription(), "on");
  EXPECT_EQ(label->text(), "Device Not Responding");
  EXPECT_FALSE(device_id->isEnabled());
  EXPECT_FALSE(h.Find<QLabel>("lblDeviceID")->isEnabled());
  EXPECT_EQ(device_id->text(), "");
  EXPECT_TRUE(h.Find<QGroupBox>("fraMains")->isEnabled());  // frames are left as they are
  EXPECT_EQ(h.link.Counters().RxTimeoutCount, 1);

  // Disabled frames come back with everything inside them on the next success.
  common::EnableFrame(h.Find<QGroupBox>("fraFieldStatus"), false);
  common::EnableFrame(h.Find<QGroupBox>("fraMains"), false);
  h.device.silent = false;
  EXPECT_TRUE(h.window.GetModuleID());
  EXPECT_FALSE(shape->isHidden());
  EXPECT_TRUE(picture->isHidden());
  EXPECT_EQ(label->text(), "Device Responding");
  EXPECT_EQ(label->accessibleName(), "Device Responding");
  EXPECT_TRUE(device_id->isEnabled());
  EXPECT_EQ(device_id->text(), "Type 03 Rev 1.12");
  EXPECT_TRUE(h.window.txtFieldVolts(4)->isEnabled());
  EXPECT_TRUE(h.Find<QGroupBox>("fraField_1")->isEnabled());
  EXPECT_TRUE(h.window.txtMainsVoltage()->isEnabled());
}

TEST(MainWindowTest, CountersInTheStatusBarAndClearErrors) {
  Harness h;
  EXPECT_EQ(Panel(h, 3), "CRC Errors = 0");
  EXPECT_EQ(Panel(h, 4), "Rx Timeouts = 0");
  EXPECT_EQ(Panel(h, 5), "Rx NAKs= 0");
  h.device.payloads[0x01] = {0x80};  // NAK
  h.window.PollTick();
  EXPECT_EQ(Panel(h, 3), "CRC Error = 0");
  EXPECT_EQ(Panel(h, 4), "Rx Timeout = 0");
  EXPECT_EQ(Panel(h, 5), "Rx NAKs = 1");
  h.link.Counters().CrcErrorCount = 4;
  h.link.Counters().RxTimeoutCount = 9;
  h.window.PollTick();
  EXPECT_EQ(Panel(h, 3), "CRC Error = 4");
  EXPECT_EQ(Panel(h, 4), "Rx Timeout = 9");
  EXPECT_EQ(Panel(h, 5), "Rx NAKs = 2");
  h.device.TakeCodes();
  QTest::mouseClick(h.Find<QPushButton>("cmdClearErrors"), Qt::LeftButton);
  EXPECT_TRUE(h.device.TakeCodes().empty());  // nothing is sent
  EXPECT_EQ(h.link.Counters().CrcErrorCount, 0);
  EXPECT_EQ(h.link.Counters().RxTimeoutCount, 0);
  EXPECT_EQ(h.link.Counters().RxNakCount, 0);
  EXPECT_EQ(Panel(h, 5), "Rx NAKs = 0");
}

TEST(MainWindowTest, OpenMenuSkipsTheTickButRefreshesCounters) {
  Harness h;
  h.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
  QMenuBar* bar = h.window.menuBar();
  bar->setActiveAction(h.window.mnuCalibrate()->menuAction());
  ASSERT_TRUE(common::IsMenuActive(&h.window));
  h.link.Counters().RxTimeoutCount = 3;
  h.window.PollTick();
  EXPECT_TRUE(h.device.TakeCodes().empty());
  EXPECT_EQ(h.app.globals.PollCount, 0);
  EXPECT_EQ(Panel(h, 4), "Rx Timeout = 3");
  h.window.mnuCalibrate()->close();
  bar->setActiveAction(nullptr);
  ASSERT_FALSE(common::IsMenuActive(&h.window));
  h.window.PollTick();
  EXPECT_EQ(h.device.TakeCodes(), (std::vector<std::uint8_t>{0x3C, 0x7B, 0x01}));
}

TEST(MainWindowTest, TickDuringAnExchangeIsSkipped) {
  Harness h;
  h.device.delay_ms = 20;
  bool ran = false, busy_inside = false;
  QTimer::singleShot(5, &h.window, [&] {
    busy_inside = h.link.Busy();
    h.window.PollTick();  // arrives while GetStatus waits
    ran = true;
  });
  ASSERT_TRUE(h.window.GetStatus());
  ASSERT_TRUE(ran);
  EXPECT_TRUE(busy_inside);
  EXPECT_EQ(h.device.TakeCodes(), (std::vector<std::uint8_t>{0x01}));
  EXPECT_EQ(h.app.globals.PollCount, 0);

  // And a tick cannot start inside another tick's waits either.
  int nested_sends = -1;
  QTimer::singleShot(5, &h.window, [&] {
    const auto before = h.device.commands.size();
    h.window.PollTick();
    nested_sends = static_cast<int>(h.device.commands.size() - before);
  });
  h.window.PollTick();
  EXPECT_EQ(nested_sends, 0);
  EXPECT_EQ(h.device.TakeCodes(), (std::vector<std::uint8_t>{0x3C, 0x7B, 0x01}));
  EXPECT_EQ(h.app.globals.PollCount, 1);
}

TEST(MainWindowTest, ActionsWaitForTheLinkToBeIdle) {
  Harness h;
  h.device.delay_ms = 15;
  bool busy_when_run = true;
  int runs = 0;
  QTimer::singleShot(3, &h.window, [&] {
    h.window.RunWhenIdle([&] {
      busy_when_run = h.link.Busy();
      ++runs;
    });
    EXPECT_EQ(runs, 0);  // deferred: an exchange is waiting
  });
  h.window.PollTick();
  ASSERT_TRUE(common::testing::WaitUntil([&] { return runs == 1; }, 1000));
  EXPECT_FALSE(busy_when_run);
  h.window.RunWhenIdle([&] { ++runs; });  // idle: runs at once
  EXPECT_EQ(runs, 2);
}

TEST(MainWindowTest, CalRequestSendsTheFactorsOnce) {
  Harness h;
  CalibrationFactors factors{};
  factors.fill(0x7E80);
  factors[0] = 0xED09;
  h.window.SetCalibrationSource([&] { return std::optional(factors); });
  h.app.globals.CalRequest = 2;
  h.window.PollTick();
  ASSERT_EQ(h.device.commands.size(), 4u);
  const Payload& cal = h.device.commands[3];
  ASSERT_EQ(cal.size(), 27u);
  EXPECT_EQ(cal[0], 0x7C);
  EXPECT_EQ(cal[1], 0x09);
  EXPECT_EQ(cal[2], 0xED);
  EXPECT_EQ(cal[26], 0x7E);
  EXPECT_EQ(h.app.globals.CalRequest, 0);
  ASSERT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_EQ(h.prompts.shown()[0].title, "VANTA Calibration");
  EXPECT_EQ(h.prompts.shown()[0].text, "Calibration Set");
  h.device.TakeCodes();
  h.window.PollTick();
  EXPECT_EQ(h.device.TakeCodes(), (std::vector<std::uint8_t>{0x01}));

  // Another request value sends without the confirmation.
  h.app.globals.CalRequest = 1;
  h.window.PollTick();
  EXPECT_EQ(h.device.TakeCodes(), (std::vector<std::uint8_t>{0x01, 0x7C}));
  EXPECT_EQ(h.prompts.shown().size(), 1u);
}

TEST(MainWindowTest, ControlsMenusAndTexts) {
  Harness h;
  const QStringList names = {
      "fraStatus", "shpResponding", "imgNotResponding", "lblRespnding", "fraMains",
      "txtMainsVoltage", "Label1", "Label2", "fraFieldStatus", "fraField_0", "fraField_1",
      "lblCh1Red", "lblCh1Yel", "lblCh1Grn", "lblCh2Red", "lblCh2Yel", "lblCh2Grn",
      "fraOutputDisable", "fraChannel_0", "fraChannel_1", "fraFaultIndicator", "chkFaultLED_0",
      "chkFaultLED_1", "shpFault_0", "shpFault_1", "fraAddress", "cmbAddress", "fraStatusRO",
      "chkStatus_0", "chkStatus_3", "fraDiagnostic", "txtTemperature", "txtCRCErrors",
      "txtRxOverflows", "txtRegErrors", "txtRxErrors", "txtDataFlashErrors", "imgRegFault",
      "imgDataFlashFault", "cmdClearErrors", "lblDeviceID", "txtDeviceID", "img24Vlow",
      "cmdCheckOutputs", "cmdCalAuto", "sbStatus", "sbStatus_1", "sbStatus_5", "tmrPoll"};
  for (const QString& name : names) {
    QObject* object = h.window.findChild<QObject*>(name);
    ASSERT_NE(object, nullptr) << name.toStdString();
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      EXPECT_FALSE(widget->accessibleName().isEmpty()) << name.toStdString();
    }
  }
  for (int i = 0; i < 6; ++i) {
    for (const char* base : {"shpSignal", "txtFieldVolts", "txtFieldAmps", "imgFault", "chkOutDisable"}) {
      auto* widget = h.window.findChild<QWidget*>(QStringLiteral("%1_%2").arg(base).arg(i));
      ASSERT_NE(widget, nullptr) << base << i;
      EXPECT_FALSE(widget->accessibleName().isEmpty());
    }
  }
  EXPECT_EQ(h.window.windowTitle(), "Corvid");
  EXPECT_EQ(h.Find<QLineEdit>("txtFieldVolts_0")->accessibleName(), "Channel 1 Red field voltage");
  EXPECT_EQ(h.Find<QGroupBox>("fraDiagnostic")->title(), "VELD Diagnostic");
  EXPECT_EQ(h.Find<QCheckBox>("chkStatus_3")->text(), "Diagostic Fail");
  EXPECT_FALSE(h.Find<QGroupBox>("fraStatusRO")->isEnabled());
  EXPECT_FALSE(h.Find<QLineEdit>("txtDataFlashErrors")->isEnabled());
  EXPECT_EQ(Panel(h, 1), "Device Type = ?");
  EXPECT_EQ(Panel(h, 2), "PC Comm Port = 1");  // the stored port opened at start
  EXPECT_EQ(h.Find<QLabel>("sbStatus_1")->toolTip(), "Switch Pack Type");
  EXPECT_EQ(h.Find<QLabel>("sbStatus_2")->toolTip(), "Computer Comm Port Number");
  // Initial texts before the first poll.
  EXPECT_EQ(h.window.txtFieldVolts(0)->text(), "0.0");
  EXPECT_EQ(h.window.txtFieldAmps(2)->text(), "0");
  EXPECT_EQ(h.window.txtFieldVolts(3)->text(), "000.0");
  EXPECT_EQ(h.window.txtFieldAmps(5)->text(), "0000");
  EXPECT_EQ(h.Find<QLineEdit>("txtTemperature")->text(), "--");

  std::map<QString, QString> captions;
  for (QAction* action : h.window.findChildren<QAction*>())
    if (!action->objectName().isEmpty()) captions[action->objectName()] = action->text();
  EXPECT_EQ(captions["mnuPortSettings"], "&Settings");
  EXPECT_EQ(captions["mnuCalAuto"], "Auto");
  EXPECT_EQ(captions["mnuCalManual"], "Manual");
  EXPECT_EQ(captions["mnuCalSettings"], "Calibration Settings");
  EXPECT_EQ(captions["mnuHelpItem"], "&Help");
  EXPECT_EQ(captions["mnuAboutDevice"], "About Vanta Device");
  EXPECT_EQ(captions["mnuAboutPgm"], "&About Corvid");
  EXPECT_EQ(h.Find<QMenu>("mnuCalibrate")->title(), "&Calibrate");
  EXPECT_EQ(h.Find<QMenu>("mnuPort")->title(), "Port");
  for (const char* name : {"mnuCalVoltage", "mnuCalCurrent"}) {
    QAction* item = h.window.findChild<QAction*>(name);
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isEnabled());
    item->trigger();  // a disabled action ignores the trigger
    EXPECT_FALSE(item->isEnabled());
  }
}

TEST(MainWindowTest, HelpAboutDeviceAndAboutBox) {
  Harness h;
  h.window.findChild<QAction*>("mnuHelpItem")->trigger();
  ASSERT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_EQ(h.prompts.shown()[0].title, "You really need Help?");
  EXPECT_EQ(h.prompts.shown()[0].text, "No Help is available. Would you like a tall Mai-Tai instead?");
  EXPECT_EQ(h.prompts.shown()[0].icon, common::Icon::kNone);

  h.window.findChild<QAction*>("mnuAboutDevice")->trigger();
  auto* dialog = h.window.findChild<QDialog*>("frmAboutDevice");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->isModal());
  EXPECT_EQ(dialog->windowTitle(), "About Device");
  EXPECT_EQ(dialog->findChild<QLabel*>("lblType")->text(), "<Unknown Device Type>");
  EXPECT_EQ(dialog->findChild<QLabel*>("lblID")->text(), "");
  EXPECT_EQ(dialog->findChild<QLabel*>("lblFirmware")->text(), "Type: 0  Revision: 0.0");
  dialog->accept();

  h.device.payloads[0x3C] = testing::IdPayload(5, "Type 03 Rev 1.12");
  ASSERT_TRUE(h.window.GetModuleID());
  h.window.findChild<QAction*>("mnuAboutDevice")->trigger();
  EXPECT_EQ(dialog->findChild<QLabel*>("lblType")->text(), "KRAN-LV, 48 Vdc power");
  EXPECT_EQ(dialog->findChild<QLabel*>("lblID")->text(), "Type 03 Rev 1.12");
  EXPECT_EQ(dialog->findChild<QLabel*>("lblFirmware")->text(), "Type: 3  Revision: 1.12");
  dialog->accept();

  h.window.findChild<QAction*>("mnuAboutPgm")->trigger();
  auto* about = h.window.findChild<QDialog*>("frmAbout");
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->windowTitle(), "About " + QCoreApplication::applicationName());
  QTest::mouseClick(about->findChild<QLabel*>("lblAbout"), Qt::LeftButton);
  EXPECT_FALSE(about->isVisible());
  h.window.findChild<QAction*>("mnuAboutPgm")->trigger();
  QTest::mouseClick(about->findChild<QWidget*>("imgLogo"), Qt::LeftButton);
  EXPECT_FALSE(about->isVisible());
}

TEST(AboutTextTest, RevisionOnlyWhenNotZero) {
  EXPECT_EQ(AboutText("Corvid", 1, 3, 3), "Corvid 1.3.3");
  EXPECT_EQ(AboutText("Corvid", 1, 3, 0), "Corvid 1.3");
  EXPECT_EQ(AboutText("Corvid", "2.0.7"), "Corvid 2.0.7");
  EXPECT_EQ(AboutText("Corvid", "1.0.0"), "Corvid 1.0");
}

TEST(MainWindowTest, HonestSimulatorFillsTheWindow) {
  // The same window against the switch-pack model: what the device measures shows up.
  SwitchPackModel model;
  common::SimulatedPort port(&model);
  common::ScriptedPrompts prompts;
  QTemporaryDir dir;
  SettingsStore store(dir.filePath("Corvid.conf"));
  HdlcLink link(port, prompts);
  CorvidApp app{port, prompts, store, link, {}, {}};
  MainWindow window(app);
  window.Load();
  window.tmrPoll()->stop();
  window.chkOutDisable(0)->setChecked(false);
  for (int i = 0; i < 3; ++i) window.PollTick();
  EXPECT_EQ(window.findChild<QLabel*>("sbStatus_1")->text(), "Device Type = VELD-LV");
  EXPECT_EQ(window.txtMainsVoltage()->text(), "120.0");
  EXPECT_EQ(model.DisableBits(), 0x3E);
  EXPECT_TRUE(window.findChild<Shape*>("shpSignal_0")->Filled());
  EXPECT_FALSE(window.findChild<Shape*>("shpSignal_1")->Filled());
  EXPECT_EQ(link.Counters().CrcErrorCount + link.Counters().RxTimeoutCount, 0);
}

}  // namespace
}  // namespace corvid::monitor
