// The calibration windows as the technician uses them: the Calibrate menu opened with
// the mouse, boxes typed into, buttons clicked, and what a screen reader is told;
// behind them the main window's session and the in-process switch pack.
#include "corvid/windows/calibration_windows.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <regex>

#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "common/widgets/indicator.h"
#include "common/widgets/picture.h"
#include "corvid/link/settings_store.h"
#include "corvid/sim/switch_pack_model.h"
#include "corvid/windows/cal_manual_window.h"
#include "corvid/windows/cal_settings_dialog.h"
#include "corvid/windows/calibrate_window.h"
#include "corvid/windows/main_window.h"

namespace corvid::calibration {
namespace {

using common::testing::WaitUntil;

// A VELD-LV on a 48 V supply with 26.12 ohm loads, every measurement a few percent off.
SwitchPackOptions LvFewPercentOff() {
  SwitchPackOptions o{.device_type = 2, .mains_volts = 48, .load_ohms = 26.12};
  o.gain = {1.02, 0.99, 1.0,  0.97, 1.03, 1.01,   // field voltages
            0.98,                                 // signal power
            0.97, 1.02, 1.04, 0.98, 1.0,  0.96};  // field currents
  return o;
}

// The main window loaded over the switch pack and identified; the poll timer stopped.
struct Rig {
  Rig() {
    window.show();
    window.Load();
    app.session().Loop().Timer()->stop();
    app.session().PollTick();
    window.Calibration()->Guided().SetPauseMs(1);
  }
  SwitchPackModel& Model() { return *static_cast<SwitchPackModel*>(app.Model()); }
  template <typename T = QWidget>
  T* Find(const QString& name) {
    return window.findChild<T*>(name);
  }
  QAction* Item(const char* name) { return window.findChild<QAction*>(name); }
  // Starts the voltage or the current step, the switch pack set as its instructions say.
  void StartStep(bool voltage) {
    Model().Options().vcal = voltage;
    Model().Options().ical = !voltage;
    QTest::mouseClick(start, Qt::LeftButton);
  }

  // A click on "&Calibrate" in the menu bar, which prepares a full calibration; then
  // the menu is closed.
  void OpenCalibrateMenu() {
    QMenuBar* bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(window.CalibrateMenu()->menuAction()).center());
    window.CalibrateMenu()->close();
  }
  // Drops the Calibrate menu down and chooses one of its items (nothing when it
  // is disabled).
  void Choose(const char* item) {
    common::testing::ChooseFromMenuBar(window.menuBar(), window.CalibrateMenu(), Item(item));
  }
  void Click(QWidget* top, const char* name) {
    QTest::mouseClick(top->findChild<QPushButton*>(name), Qt::LeftButton);
  }
  // Replaces a box's text by typing, as a technician does.
  static void Type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
  }
  QSettings Stored() { return QSettings(dir.filePath("Corvid.conf"), QSettings::IniFormat); }

  SwitchPackOptions options = LvFewPercentOff();
  QTemporaryDir dir;
  common::ScriptedPrompts prompts;
  CorvidApp app{common::MakePortSetup(std::make_unique<SwitchPackModel>(options), false), prompts,
                std::make_unique<SettingsStore>(dir.filePath("Corvid.conf"))};
  monitor::MainWindow window{app};
  CalibrationWindows& cal = *window.Calibration();
  CalibrateWindow* calibrate = cal.StepWindow();
  QPushButton* start = calibrate->findChild<QPushButton*>("cmdStart");
  QPushButton* cancel = calibrate->findChild<QPushButton*>("cmdCancel");
  QLabel* instruct = calibrate->findChild<QLabel*>("lblInstruct");
};

QString Spoken(QWidget* widget, QAccessible::Text what = QAccessible::Description) {
  return QAccessible::queryAccessibleInterface(widget)->text(what);
}

// The frames open for the identified family (all of them, after a box, when it is
// unknown); typing, OK, Default and Cancel; the next menu opening uses what was stored.
TEST(CalibrationWindowsTest, SettingsDialogFramesTypingAndStore) {
  // The device type and whether the LV, HV and VHV frames are open.
  for (const auto& [type, enabled] : {std::pair{2, std::array{true, false, false}},
                                      {6, {false, false, true}},
                                      {0, {true, true, true}}}) {
    SCOPED_TRACE(type);
    Rig rig;
    rig.app.state().device_type = type;
    rig.Choose("mnuCalSettings");
    auto* dialog = rig.Find<CalSettingsDialog>("frmCalSettings");
    ASSERT_TRUE(dialog->isVisible() && dialog->isModal());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dialog->VoltageBox(i)->isEnabled(), enabled[i]) << i;
    EXPECT_EQ(rig.prompts.shown().size(), type == 0 ? 1u : 0u);
    if (type != 0) continue;
    auto texts = [&] {
      QStringList t;
      for (int i = 0; i < 3; ++i)
        t << dialog->VoltageBox(i)->text() << dialog->ResistorBox(i)->text();
      return t;
    };
    const QStringList defaults{"48", "26.12", "110", "55.01", "220", "110.1"};
    EXPECT_EQ(texts(), defaults);  // nothing stored: the defaults, every family

    // Letters and the point are ignored in a voltage box; one point passes in a resistor.
    Rig::Type(dialog->VoltageBox(0), "12a.5");
    Rig::Type(dialog->ResistorBox(0), "2.6.1x2");
    Rig::Type(dialog->VoltageBox(1), "");
    QTest::keyClick(dialog->VoltageBox(0), Qt::Key_Left);
    QTest::keyClick(dialog->VoltageBox(0), Qt::Key_Backspace);
    EXPECT_EQ(dialog->ResistorBox(0)->text(), "2.612");
    rig.Click(dialog, "cmdOK");
    EXPECT_FALSE(dialog->isVisible());
    const std::pair<const char*, const char*> stored[] = {
        {"cal/LVvoltage", "15"}, {"cal/LVResistor", "2.612"}, {"cal/HVvoltage", "0"}};
    for (const auto& [key, value] : stored) EXPECT_EQ(rig.Stored().value(key).toString(), value);

    // "&Default" then "&Cancel" changes nothing, in memory or in the store.
    rig.Choose("mnuCalSettings");
    rig.Click(dialog, "cmdDefault");
    EXPECT_EQ(texts(), defaults);
    rig.Click(dialog, "cmdCancel");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(rig.Stored().value("cal/HVvoltage").toString(), "0");
    rig.app.state().device_type = 2;
    rig.OpenCalibrateMenu();
    EXPECT_EQ(rig.cal.Guided().Working(), (WorkingValues{15.0f, 2.612f, 0x4F70, 0x7E80}));
  }
}

TEST(CalibrationWindowsTest, ManualFactorsRefusedSetAndReopened) {
  Rig rig;
  rig.Choose("mnuCalManual");
  auto* manual = rig.Find<CalManualWindow>("frmCalManual");
  ASSERT_TRUE(manual->isVisible() && !manual->isModal());
  auto boxes = [&] {
    QString texts;
    for (int i = 0; i < 13; ++i) texts += manual->Box(i)->text() + " ";
    return texts;
  };
  const QString lv_defaults = QString("4F70 ").repeated(7) + QString("7E80 ").repeated(6);
  EXPECT_EQ(boxes(), lv_defaults);
  // Nothing goes to the device on the next tick after a refusal.
  auto factors_sent = [&] {
    rig.Model().ClearReceived();
    rig.app.session().PollTick();
    return std::ranges::any_of(rig.Model().Received(), [](auto& f) { return f.body[2] == 0x7C; });
  };

  // A box that is not 1-4 hex digits is named, selected for retyping, and nothing goes.
  Rig::Type(manual->Box(0), "ed09");
  Rig::Type(manual->Box(1), "4F7O");
  rig.Click(manual, "cmdSet");
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_TRUE(rig.prompts.shown()[0].text.startsWith("The Ch 1 Yellow Voltage factor \"4F7O\""));
  EXPECT_TRUE(manual->focusWidget() == manual->Box(1) && manual->Box(1)->selectedText() == "4F7O");
  EXPECT_FALSE(factors_sent());

  Rig::Type(manual->Box(1), "0x5046");
  rig.Click(manual, "cmdSet");
  rig.app.session().PollTick();
  EXPECT_EQ(std::pair(rig.Model().Factors()[0], rig.Model().Factors()[1]),
            std::pair(std::uint16_t{0xED09}, std::uint16_t{0x5046}));
  ASSERT_EQ(rig.prompts.shown().size(), 2u);
  EXPECT_EQ(rig.prompts.shown()[1].text, "Calibration Set");

  Rig::Type(manual->Box(6), "");
  rig.Click(manual, "cmdSet");
  ASSERT_EQ(rig.prompts.shown().size(), 3u);
  EXPECT_EQ(rig.prompts.shown()[2].text, "Null Calibration Factor");
  EXPECT_FALSE(factors_sent());

  // "Load Default" restores the defaults; the window closed and opened again shows what
  // the device was last sent, not defaults "Set" would send back unnoticed.
  rig.Click(manual, "cmdDefault");
  EXPECT_EQ(boxes(), lv_defaults);
  rig.Click(manual, "cmdClose");
  EXPECT_FALSE(manual->isVisible());
  rig.Choose("mnuCalManual");
  EXPECT_TRUE(boxes().startsWith("ED09 5046 4F70 ")) << boxes().toStdString();
}

TEST(CalibrationWindowsTest, FullCalibrationThroughTheWindows) {
  Rig rig;
  auto [calibrate, start, cancel, instruct] =
      std::tuple(rig.calibrate, rig.start, rig.cancel, rig.instruct);
  auto* manual = rig.Find<CalManualWindow>("frmCalManual");
  auto* full = rig.Find<QPushButton>("cmdCalAuto");
  auto* check = rig.Find("cmdCheckOutputs");
  EXPECT_FALSE(full->isEnabled());
  rig.OpenCalibrateMenu();
  EXPECT_TRUE(full->isEnabled());

  // The offscreen screen is 800 wide: with the main window partly off its left edge
  // there is room beside the readings, as on a 1024-pixel screen.
  rig.window.move(-250, 0);
  QTest::mouseClick(full, Qt::LeftButton);
  EXPECT_FALSE(full->isEnabled() || rig.Item("mnuCalAuto")->isEnabled() || check->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return calibrate->isVisible() && start->isEnabled(); }, 3000));
  EXPECT_TRUE(manual->isVisible() && manual->Box(0)->isReadOnly());
  auto* sign = calibrate->findChild<common::Picture*>("imgAttention");
  const bool shown = sign->Shown();
  ASSERT_TRUE(WaitUntil([&] { return sign->Shown() != shown; }, 1000));  // it flashes
  // Beside the main window, never over the readings the steps ask to watch.
  const QRect screen = rig.window.screen()->availableGeometry();
  for (QWidget* w : {static_cast<QWidget*>(calibrate), static_cast<QWidget*>(manual)}) {
    const QRect place = w->frameGeometry();
    EXPECT_TRUE(screen.contains(place) && !place.intersects(rig.window.WatchedReadings()));
  }

  rig.StartStep(true);
  auto* status = calibrate->findChild<common::Indicator*>("shpStatus");
  EXPECT_NE(status->Colour(), QColor(255, 0, 0));  // no failure before there is a result
  EXPECT_EQ(Spoken(status), "Calibration running");
  ASSERT_TRUE(WaitUntil([&] { return start->isEnabled(); }, 5000));
  EXPECT_TRUE(
      Spoken(instruct).startsWith("Calibrating Voltage... Input: P 1 2 3 4 5 6\n"
                                  "Voltage Calibration Completed\n"));

  rig.StartStep(false);
  ASSERT_TRUE(WaitUntil([&] { return cancel->text() != "&Cancel"; }, 10000));
  EXPECT_TRUE(
      Spoken(instruct).endsWith("Current Calibration Completed\n\nCalibration Completed\n"));
  EXPECT_EQ(
      std::tuple(Spoken(cancel, QAccessible::Name), status->Colour(), Spoken(status),
                 calibrate->FlashTimer()->isActive()),
      std::tuple(QString("Done"), QColor(0, 255, 0), QString("Calibration Completed"), false));

  // No poll tick ran inside the run: from the first factors sent to the last, only
  // status polls and factors reached the device.
  std::string codes;  // F factors, s status, x anything else
  for (const auto& frame : rig.Model().Received())
    codes += frame.body.at(2) == 0x7C ? 'F' : frame.body.at(2) == 0x01 ? 's' : 'x';
  EXPECT_TRUE(std::regex_match(codes, std::regex("[^F]*F[^x]*F[^F]*"))) << codes;
  // The factors window shows what the device now holds, and it is not the defaults.
  FactorSet shown_factors{};
  for (int i = 0; i < 13; ++i) shown_factors[i] = manual->Box(i)->text().toUShort(nullptr, 16);
  EXPECT_EQ(shown_factors, rig.Model().Factors());
  EXPECT_NE(rig.Model().Factors(), *DefaultFactors(2));
  // Polling, "Full Calibrate", Check Outputs and typing are back; every output off.
  EXPECT_TRUE(rig.app.session().Loop().Timer()->isActive() && full->isEnabled() &&
              check->isEnabled() && !manual->Box(0)->isReadOnly());
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(rig.window.OutputDisableBox(i)->isChecked()) << i;
  EXPECT_TRUE(rig.prompts.shown().empty());
  QTest::keyClick(cancel, Qt::Key_Return);  // "Done" answers Enter and closes the window
  EXPECT_FALSE(calibrate->isVisible());
}

// Check Outputs drives each output in turn, its box showing it, with "Check Outputs" and
// "Full Calibrate" off; neither run starts while the other runs, also when the Check
// Outputs click waits behind a poll tick.
TEST(CalibrationWindowsTest, CheckOutputsAndFullCalibrateKeepEachOtherOut) {
  Rig rig;
  rig.window.OutputCheck()->SetPauseMs(1);
  rig.OpenCalibrateMenu();
  auto* full = rig.Find<QPushButton>("cmdCalAuto");
  auto* check = rig.Find<QPushButton>("cmdCheckOutputs");
  ASSERT_TRUE(full->isEnabled());
  int probes = 0, buttons_on = 0, both = 0, driven = 0;
  bool checking = true;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    ++probes;
    if (checking) {
      buttons_on += full->isEnabled() + rig.Item("mnuCalAuto")->isEnabled() + check->isEnabled();
      for (int i = 0; i < 6; ++i)
        if (!rig.window.OutputDisableBox(i)->isChecked()) driven |= 1 << i;
      rig.cal.Guided().Auto();  // the session itself refuses it during the check
    }
    both += rig.cal.Guided().Running() && rig.app.session().Disables() != 0x3F;
  });
  probe.start(2);
  QObject::connect(rig.window.OutputCheck(), &CheckOutputsRun::Finished, [&] { checking = false; });
  QTest::mouseClick(check, Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return !checking; }, 5000));
  EXPECT_EQ(std::tuple(probes > 20, buttons_on, driven, full->isEnabled(), check->isEnabled()),
            std::tuple(true, 0, 0x3F, true, true));
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(rig.window.OutputDisableBox(i)->isChecked()) << i;
  EXPECT_FALSE(rig.cal.Guided().Running());

  // Clicked during a tick's exchange, the check waits; "Full Calibrate" clicked then
  // takes the outputs, and the waiting check must not run beside the calibration.
  rig.Model().Options().delay_ms = 20;
  QTimer::singleShot(5, [&] {
    QTest::mouseClick(check, Qt::LeftButton);
    QTest::mouseClick(full, Qt::LeftButton);
    rig.Model().Options().delay_ms = 0;
  });
  rig.app.session().PollTick();
  ASSERT_TRUE(WaitUntil([&] { return rig.calibrate->isVisible(); }, 3000));
  probe.stop();
  EXPECT_EQ(both, 0);
  EXPECT_FALSE(check->isEnabled());
  QTest::mouseClick(rig.cancel, Qt::LeftButton);
  EXPECT_TRUE(check->isEnabled());
}

// Each way a run ends leaves polling and Check Outputs back; a stopped run leaves "Full
// Calibrate" off until the Calibrate menu is opened again, a failed one does not.
TEST(CalibrationWindowsTest, WaysOutOfARun) {
  enum Way { kCloseBox, kFailsThenEscape };
  for (Way way : {kCloseBox, kFailsThenEscape}) {
    SCOPED_TRACE(way);
    Rig rig;
    auto [calibrate, cancel, instruct] = std::tuple(rig.calibrate, rig.cancel, rig.instruct);
    // Output 2 Yellow's measurement drifts once the voltage factors are computed.
    QObject::connect(&rig.cal.Boxes(), &FactorBoxes::Changed, [&](int index, const QString& text) {
      if (way == kFailsThenEscape && index == 5 && text != "4F70")
        rig.Model().Options().gain[4] *= 1.05;
    });
    rig.OpenCalibrateMenu();
    QTest::mouseClick(rig.Find<QPushButton>("cmdCalAuto"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return calibrate->isVisible() && rig.start->isEnabled(); }, 3000));
    if (way == kCloseBox) {
      calibrate->close();
    } else {
      rig.StartStep(true);
      ASSERT_TRUE(WaitUntil([&] { return cancel->text() == "Error"; }, 5000));
      EXPECT_TRUE(Spoken(instruct).endsWith(
          "\nCalibration Not Completed\n"
          "Channel 2 Yellow voltage: 50.4 Volts, 5.0 % above 48 Volts (allowed 2 %)\n"));
      EXPECT_EQ(calibrate->findChild<common::Indicator*>("shpStatus")->Colour(), QColor(255, 0, 0));
      QTest::keyClick(cancel, Qt::Key_Escape);
    }
    EXPECT_EQ(std::tuple(calibrate->isVisible(), rig.cal.Guided().Running(),
                         rig.app.session().Loop().Timer()->isActive(),
                         rig.Find("cmdCheckOutputs")->isEnabled(),
                         rig.Find("cmdCalAuto")->isEnabled(), rig.prompts.shown().size()),
              std::tuple(false, false, true, true, way == kFailsThenEscape, 0u));
  }
}

}  // namespace
}  // namespace corvid::calibration
