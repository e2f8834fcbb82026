// The calibration windows as the technician uses them: the Calibrate menu opened with
// the mouse, boxes typed into, buttons clicked, and what a screen reader is told;
// behind them the main window's session and the in-process switch pack.
#include "corvid/windows/calibration_windows.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <map>

#include "common/qtcore/simulated_port.h"
#include "common/testing/hex.h"
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
  explicit Rig(SwitchPackOptions o = LvFewPercentOff()) : options(o) {
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

  // A click on "&Calibrate" in the menu bar.
  QMenu* OpenCalibrateMenu() {
    QMenuBar* bar = window.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      bar->actionGeometry(window.CalibrateMenu()->menuAction()).center());
    return window.CalibrateMenu();
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

  SwitchPackOptions options;
  QTemporaryDir dir;
  common::ScriptedPrompts prompts;
  CorvidApp app{common::MakePortSetup(std::make_unique<SwitchPackModel>(options), false), prompts,
                std::make_unique<SettingsStore>(dir.filePath("Corvid.conf"))};
  monitor::MainWindow window{app};
  CalibrationWindows& cal = *window.Calibration();
};

QString Spoken(QWidget* widget, QAccessible::Text what = QAccessible::Description) {
  return QAccessible::queryAccessibleInterface(widget)->text(what);
}

// The voltage step's instructions as the label shows them.
const QString kVoltageLines =
    "(1) Set all Input Control switches to ON.\n"
    "(2) Set VCAL switches to VCAL position.\n"
    "(3) Set ICAL switches to NORMAL position.\n"
    "(4) Set Signal power supply to 48 volts.\n"
    "(5) Click Start to continue.\n";

TEST(CalibrationWindowsTest, SettingsDialogKeysFramesAndStore) {
  struct Case {
    int device_type;
    std::array<bool, 3> enabled;  // LV, HV, VHV frames
  };
  for (const Case& c :
       {Case{2, {true, false, false}}, Case{4, {false, true, false}}, Case{3, {false, false, true}},
        Case{6, {false, false, true}}, Case{0, {true, true, true}}}) {
    SCOPED_TRACE(c.device_type);
    Rig rig;
    rig.app.state().device_type = c.device_type;
    rig.Choose("mnuCalSettings");
    auto* dialog = rig.Find<CalSettingsDialog>("frmCalSettings");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible() && dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Calibration Parameters");
    // Nothing stored: the defaults, every family.
    QStringList texts;
    for (int i = 0; i < 3; ++i)
      texts << dialog->VoltageBox(i)->text() << dialog->ResistorBox(i)->text();
    EXPECT_EQ(texts, (QStringList{"48", "26.12", "110", "55.01", "220", "110.1"}));
    const char* frames[] = {"fraLV", "fraHV", "fraVHV"};
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(rig.Find(frames[i])->isEnabled(), c.enabled[i]) << frames[i];
      EXPECT_EQ(dialog->VoltageBox(i)->isEnabled(), c.enabled[i]) << frames[i];
    }
    EXPECT_EQ(rig.prompts.shown().size(), c.device_type == 0 ? 1u : 0u);  // unknown type box
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
  }
}

TEST(CalibrationWindowsTest, SettingsDialogTypingOkDefaultAndCancel) {
  Rig rig;
  rig.app.state().device_type = 0;  // not identified yet: every frame open
  rig.Choose("mnuCalSettings");
  auto* dialog = rig.Find<CalSettingsDialog>("frmCalSettings");
  // Letters and the point are ignored in a voltage box; one point passes in a resistor.
  Rig::Type(dialog->VoltageBox(0), "12a.5");
  Rig::Type(dialog->ResistorBox(0), "2.6.1x2");
  Rig::Type(dialog->VoltageBox(1), "");
  EXPECT_EQ(dialog->VoltageBox(0)->text(), "125");
  EXPECT_EQ(dialog->ResistorBox(0)->text(), "2.612");
  QTest::keyClick(dialog->VoltageBox(0), Qt::Key_Left);
  QTest::keyClick(dialog->VoltageBox(0), Qt::Key_Backspace);  // the character before the caret
  EXPECT_EQ(dialog->VoltageBox(0)->text(), "15");
  QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  EXPECT_FALSE(dialog->isVisible());
  const CalibrationSettings& cal = rig.app.settings().cal;
  EXPECT_EQ(std::tuple(cal.lv_voltage, cal.lv_resistor, cal.hv_voltage, cal.vhv_resistor),
            std::tuple(15.0f, 2.612f, 0.0f, 110.1f));
  QSettings stored = rig.Stored();
  EXPECT_EQ(stored.value("cal/LVvoltage").toString(), "15");
  EXPECT_EQ(stored.value("cal/LVResistor").toString(), "2.612");
  EXPECT_EQ(stored.value("cal/HVvoltage").toString(), "0");  // the box was emptied
  EXPECT_EQ(stored.value("cal/VHVResistor").toString(), "110.1");

  // "&Default" then "&Cancel" changes nothing, in memory or in the store.
  rig.Choose("mnuCalSettings");
  EXPECT_EQ(dialog->VoltageBox(0)->text(), "15");
  QTest::mouseClick(dialog->findChild<QPushButton*>("cmdDefault"), Qt::LeftButton);
  EXPECT_EQ(dialog->VoltageBox(1)->text(), "110");
  EXPECT_EQ(dialog->ResistorBox(2)->text(), "110.1");
  QTest::mouseClick(dialog->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
  EXPECT_EQ(rig.app.settings().cal.lv_voltage, 15.0f);
  EXPECT_EQ(rig.Stored().value("cal/HVvoltage").toString(), "0");
  // The next opening of the Calibrate menu prepares the calibration with the new values.
  rig.app.state().device_type = 2;
  rig.OpenCalibrateMenu();
  rig.window.CalibrateMenu()->close();
  EXPECT_EQ(rig.cal.Guided().Working(), (WorkingValues{15.0f, 2.612f, 0x4F70, 0x7E80}));
}

TEST(CalibrationWindowsTest, ManualFactorsDefaultsSetAndTheWire) {
  Rig rig;
  rig.Choose("mnuCalManual");
  auto* manual = rig.Find<CalManualWindow>("frmCalManual");
  ASSERT_NE(manual, nullptr);
  EXPECT_TRUE(manual->isVisible());
  EXPECT_FALSE(manual->isModal());
  EXPECT_EQ(manual->windowTitle(), "Calibration Factors");
  auto boxes = [&] {
    QStringList texts;
    for (int i = 0; i < 13; ++i) texts << manual->Box(i)->text();
    return texts;
  };
  const QStringList lv_defaults = {"4F70", "4F70", "4F70", "4F70", "4F70", "4F70", "4F70",
                                   "7E80", "7E80", "7E80", "7E80", "7E80", "7E80"};
  EXPECT_EQ(boxes(), lv_defaults);
  EXPECT_EQ(manual->Box(6)->objectName(), "txtSPVoltage");
  EXPECT_EQ(manual->Box(12)->objectName(), "txtChCurrent_5");
  EXPECT_EQ(manual->Box(4)->accessibleName(), "Ch 2 Yellow Voltage");

  // A box that is not 1-4 hex digits is named, selected for retyping, and nothing goes.
  Rig::Type(manual->Box(0), "ed09");
  Rig::Type(manual->Box(1), "4F7O");
  Rig::Type(manual->Box(8), "1ED09");
  EXPECT_EQ(Spoken(manual->Box(1), QAccessible::Value), "4F7O");
  rig.Click(manual, "cmdSet");
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_TRUE(rig.prompts.shown()[0].text.startsWith("The Ch 1 Yellow Voltage factor \"4F7O\""));
  EXPECT_EQ(manual->focusWidget(), manual->Box(1));
  EXPECT_EQ(manual->Box(1)->selectedText(), "4F7O");
  rig.Model().ClearReceived();
  rig.app.session().PollTick();
  for (const auto& frame : rig.Model().Received()) EXPECT_NE(frame.body[2], 0x7C);

  Rig::Type(manual->Box(1), "0x5046");
  Rig::Type(manual->Box(8), "7e7d");
  rig.Click(manual, "cmdSet");
  EXPECT_EQ(rig.Model().Factors()[0], 0x4F70);  // nothing until the poll tick
  rig.app.session().PollTick();
  ASSERT_FALSE(rig.Model().Received().empty());
  const auto& set = rig.Model().Received().back().body;
  EXPECT_EQ(common::testing::H({set.data() + 2, 27}),
            "7C 09 ED 46 50 70 4F 70 4F 70 4F 70 4F 70 4F 80 7E 7D 7E 80 7E 80 7E 80 7E 80 7E");
  ASSERT_EQ(rig.prompts.shown().size(), 2u);
  EXPECT_EQ(rig.prompts.shown()[1].title, "VANTA Calibration");
  EXPECT_EQ(rig.prompts.shown()[1].text, "Calibration Set");
  EXPECT_EQ(rig.prompts.shown()[1].icon, common::Icon::kWarning);

  // An empty box: "Null Calibration Factor", and the next tick sends no factors.
  Rig::Type(manual->Box(6), "");
  rig.Click(manual, "cmdSet");
  ASSERT_EQ(rig.prompts.shown().size(), 3u);
  EXPECT_EQ(rig.prompts.shown()[2].title, "Calibrate");
  EXPECT_EQ(rig.prompts.shown()[2].text, "Null Calibration Factor");
  rig.Model().ClearReceived();
  rig.app.session().PollTick();
  for (const auto& frame : rig.Model().Received()) EXPECT_NE(frame.body[2], 0x7C);

  // "Load Default" restores the defaults; the window closed ("Close") and opened again
  // shows what the device was last sent, not defaults "Set" would send back unnoticed.
  rig.Click(manual, "cmdDefault");
  EXPECT_EQ(boxes(), lv_defaults);
  Rig::Type(manual->Box(3), "1234");
  rig.Click(manual, "cmdClose");
  EXPECT_FALSE(manual->isVisible());
  rig.Choose("mnuCalManual");
  EXPECT_TRUE(manual->isVisible());
  EXPECT_EQ(boxes(), (QStringList{"ED09", "5046", "4F70", "4F70", "4F70", "4F70", "4F70", "7E80",
                                  "7E7D", "7E80", "7E80", "7E80", "7E80"}));
}

TEST(CalibrationWindowsTest, FullCalibrationThroughTheWindows) {
  Rig rig;
  auto* calibrate = rig.Find<CalibrateWindow>("frmCalibrate");
  auto* start = calibrate->findChild<QPushButton*>("cmdStart");
  auto* cancel = calibrate->findChild<QPushButton*>("cmdCancel");
  auto* instruct = calibrate->findChild<QLabel*>("lblInstruct");
  auto* full = rig.Find<QPushButton>("cmdCalAuto");
  EXPECT_FALSE(full->isEnabled());
  EXPECT_FALSE(rig.Item("mnuCalAuto")->isEnabled());
  rig.OpenCalibrateMenu();
  EXPECT_TRUE(rig.Item("mnuCalAuto")->isEnabled());
  rig.window.CalibrateMenu()->close();
  EXPECT_TRUE(full->isEnabled());

  // The offscreen screen is 800 wide: with the main window partly off its left edge
  // there is room beside the readings, as on a 1024-pixel screen.
  rig.window.move(-250, 0);
  QTest::mouseClick(full, Qt::LeftButton);
  EXPECT_TRUE(rig.window.CalibrateTimer()->isActive());
  EXPECT_EQ(rig.window.CalibrateTimer()->interval(), 500);
  EXPECT_FALSE(full->isEnabled());
  EXPECT_FALSE(rig.Item("mnuCalAuto")->isEnabled());
  EXPECT_FALSE(rig.Find("cmdCheckOutputs")->isEnabled());
  EXPECT_TRUE(rig.app.session().Loop().Suspended());
  ASSERT_TRUE(WaitUntil([&] { return calibrate->isVisible() && start->isEnabled(); }, 3000));
  EXPECT_EQ(calibrate->windowTitle(), "Calibrate VELD / KRAN");
  EXPECT_EQ(Spoken(instruct), kVoltageLines);
  EXPECT_TRUE(calibrate->FlashTimer()->isActive());
  EXPECT_EQ(calibrate->FlashTimer()->interval(), 300);
  EXPECT_TRUE(rig.Find<CalManualWindow>("frmCalManual")->isVisible());
  EXPECT_TRUE(rig.Find<CalManualWindow>("frmCalManual")->Box(0)->isReadOnly());
  auto* sign = calibrate->findChild<common::Picture*>("imgAttention");
  EXPECT_EQ(sign->x(), CalibrateWindow::kAttentionLeft);
  const bool shown = sign->Shown();
  ASSERT_TRUE(WaitUntil([&] { return sign->Shown() != shown; }, 1000));  // it flashes

  rig.Model().Options().vcal = true;  // as the instructions say
  rig.Model().Options().ical = false;
  // Beside the main window, never over the readings the steps ask to watch.
  auto* manual = rig.Find<CalManualWindow>("frmCalManual");
  const QRect screen = rig.window.screen()->availableGeometry();
  for (QWidget* w : {static_cast<QWidget*>(calibrate), static_cast<QWidget*>(manual)}) {
    EXPECT_FALSE(w->frameGeometry().intersects(rig.window.WatchedReadings()))
        << w->objectName().toStdString();
    EXPECT_TRUE(screen.contains(w->frameGeometry())) << w->objectName().toStdString();
  }
  QTest::mouseClick(start, Qt::LeftButton);
  EXPECT_EQ(sign->x(), CalibrateWindow::kAttentionStartedLeft);
  EXPECT_TRUE(calibrate->findChild<QLabel*>("lblStatus")->isVisible());
  auto* status = calibrate->findChild<common::Indicator*>("shpStatus");
  EXPECT_NE(status->Colour(), QColor(255, 0, 0));  // no failure before there is a result
  EXPECT_EQ(Spoken(status), "Calibration running");
  ASSERT_TRUE(WaitUntil([&] { return start->isEnabled(); }, 5000));
  EXPECT_TRUE(
      Spoken(instruct).startsWith("Calibrating Voltage... Input: P 1 2 3 4 5 6\n"
                                  "Voltage Calibration Completed\n\n"
                                  "(1) Change VCAL switches to NORMAL position.\n"));

  rig.Model().Options().vcal = false;
  rig.Model().Options().ical = true;
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return cancel->text() != "&Cancel"; }, 10000));
  EXPECT_EQ(cancel->text(), "Done");
  EXPECT_EQ(Spoken(cancel, QAccessible::Name), "Done");
  EXPECT_TRUE(Spoken(instruct).endsWith(
      "(5) Click Start to continue.\n\nCalibrating Current... Output: 1 2 3 4 5 6\n"
      "Current Calibration Completed\n\nCalibration Completed\n"));
  EXPECT_TRUE(status->Filled());
  EXPECT_EQ(status->Colour(), QColor(0, 255, 0));
  EXPECT_EQ(Spoken(status), "Calibration Completed");
  EXPECT_FALSE(calibrate->FlashTimer()->isActive());

  // No poll tick ran inside the run: from the first factors sent to the last, only
  // status polls and factors reached the device.
  std::string codes;  // F factors, s status, x anything else
  for (const auto& frame : rig.Model().Received()) {
    if (frame.body.size() < 3) continue;
    codes += frame.body[2] == 0x7C ? 'F' : frame.body[2] == 0x01 ? 's' : 'x';
  }
  const std::size_t first = codes.find('F'), last = codes.rfind('F');
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(codes.substr(first, last - first).find('x'), std::string::npos) << codes;
  // The computed factors in the factors window and in the device.
  QStringList texts;
  for (int i = 0; i < 13; ++i) texts << rig.Find<CalManualWindow>("frmCalManual")->Box(i)->text();
  EXPECT_EQ(texts, (QStringList{"4DD1", "5046", "4F70", "51D3", "4D30", "4E9E", "5121", "8070",
                                "7D46", "7C12", "7FCA", "7E7D", "8124"}));
  EXPECT_EQ(rig.Model().Factors(),
            (FactorSet{0x4DD1, 0x5046, 0x4F70, 0x51D3, 0x4D30, 0x4E9E, 0x5121, 0x8070, 0x7D46,
                       0x7C12, 0x7FCA, 0x7E7D, 0x8124}));
  // Polling, "Full Calibrate", Check Outputs and typing are back; every output off.
  EXPECT_TRUE(rig.app.session().Loop().Timer()->isActive());
  EXPECT_TRUE(full->isEnabled());
  EXPECT_TRUE(rig.Find("cmdCheckOutputs")->isEnabled());
  EXPECT_FALSE(rig.Find<CalManualWindow>("frmCalManual")->Box(0)->isReadOnly());
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(rig.window.OutputDisableBox(i)->isChecked()) << i;
  EXPECT_TRUE(rig.prompts.shown().empty());
  QTest::keyClick(cancel, Qt::Key_Return);  // "Done" answers Enter and closes the window
  EXPECT_FALSE(calibrate->isVisible());
}

// Check Outputs and a full calibration both drive the outputs: neither starts while
// the other runs, also when the Check Outputs click waits behind a poll tick.
TEST(CalibrationWindowsTest, CheckOutputsAndFullCalibrateKeepEachOtherOut) {
  Rig rig;
  rig.window.SetCheckPauseMs(1);
  rig.OpenCalibrateMenu();
  rig.window.CalibrateMenu()->close();
  auto* full = rig.Find<QPushButton>("cmdCalAuto");
  auto* check = rig.Find<QPushButton>("cmdCheckOutputs");
  ASSERT_TRUE(full->isEnabled());
  int probes = 0, full_on = 0, both = 0;
  bool checking = true;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    ++probes;
    if (checking) {
      full_on += full->isEnabled() + rig.Item("mnuCalAuto")->isEnabled();
      rig.cal.Guided().Auto();  // the session itself refuses it during the check
    }
    both += rig.cal.Guided().Running() && rig.app.session().Disables() != 0x3F;
  });
  probe.start(2);
  QTest::mouseClick(check, Qt::LeftButton);
  checking = false;
  EXPECT_GT(probes, 20);
  EXPECT_EQ(full_on, 0);
  EXPECT_TRUE(full->isEnabled());
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
  auto* calibrate = rig.cal.StepWindow();
  ASSERT_TRUE(WaitUntil([&] { return calibrate->isVisible(); }, 3000));
  probe.stop();
  EXPECT_EQ(both, 0);
  EXPECT_FALSE(check->isEnabled());
  QTest::mouseClick(calibrate->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
  EXPECT_TRUE(check->isEnabled());
}

// Output 2 Yellow's measurement drifts once the voltage factors are computed: the
// voltage check fails, and the report says which reading was off and by how much.
TEST(CalibrationWindowsTest, AFailedRunSaysWhatWasOffAndEscapeCloses) {
  Rig rig;
  auto* calibrate = rig.cal.StepWindow();
  auto* start = calibrate->findChild<QPushButton*>("cmdStart");
  auto* cancel = calibrate->findChild<QPushButton*>("cmdCancel");
  QObject::connect(&rig.cal.Boxes(), &FactorBoxes::Changed, [&](int index, const QString& text) {
    if (index == 5 && text != "4F70") rig.Model().Options().gain[4] *= 1.05;
  });
  rig.OpenCalibrateMenu();
  rig.window.CalibrateMenu()->close();
  QTest::mouseClick(rig.Find<QPushButton>("cmdCalAuto"), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return start->isEnabled(); }, 3000));
  rig.Model().Options().vcal = true;
  rig.Model().Options().ical = false;
  QTest::mouseClick(start, Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return cancel->text() == "Error"; }, 5000));
  EXPECT_TRUE(
      Spoken(calibrate->findChild<QLabel*>("lblInstruct"))
          .endsWith("\nCalibration Not Completed\n"
                    "Channel 2 Yellow voltage: 50.4 Volts, 5.0 % above 48 Volts (allowed 2 %)\n"));
  EXPECT_EQ(calibrate->findChild<common::Indicator*>("shpStatus")->Colour(), QColor(255, 0, 0));
  QTest::keyClick(cancel, Qt::Key_Escape);
  EXPECT_FALSE(calibrate->isVisible());
}

TEST(CalibrationWindowsTest, ControlsCaptionsAndAccessibleNames) {
  Rig rig;
  rig.Choose("mnuCalManual");
  rig.Choose("mnuCalSettings");
  std::map<QString, QString> captions;  // object name -> caption shown
  for (QWidget* top :
       {static_cast<QWidget*>(rig.cal.StepWindow()), static_cast<QWidget*>(rig.cal.FactorsWindow()),
        static_cast<QWidget*>(rig.cal.SettingsDialog())}) {
    for (QWidget* w : top->findChildren<QWidget*>()) {
      if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
      EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
      if (auto* frame = qobject_cast<QGroupBox*>(w)) captions[w->objectName()] = frame->title();
      if (auto* label = qobject_cast<QLabel*>(w)) captions[w->objectName()] = label->text();
      if (auto* button = qobject_cast<QPushButton*>(w))
        captions[top->objectName() + "." + w->objectName()] = button->text();
    }
  }
  for (const auto& [name, caption] : std::map<QString, QString>{
           {"fraStatus", "Status"},
           {"lblStatus", "Status"},
           {"lblAttention", "Attention"},
           {"lblInstruct", "Instructions"},
           {"frmCalibrate.cmdStart", "&Start"},
           {"frmCalibrate.cmdCancel", "&Cancel"},
           {"fraVoltage", "Channel Voltage Factors (Hex)"},
           {"fraSignalPower", "Signal Power Voltage Factor (Hex)"},
           {"fraCurrent", "Channel Current Factors (Hex)"},
           {"lblSPVoltage", "Signal Power"},
           {"lblChVoltage_0", "Ch 1 Red Voltage"},
           {"lblChCurrent_5", "Ch 2 Green Current"},
           {"frmCalManual.cmdDefault", "Load Default"},
           {"frmCalManual.cmdSet", "Set"},
           {"fraLV", "VELD-LV"},
           {"fraHV", "VELD-HV"},
           {"fraVHV", "VELD-VHV"},
           {"lblCalVoltage_2", "Calibrate Signal Voltage"},
           {"lblCalResistor_0", "Calibrate Current Resistor"},
           {"lblCalVoltageUnit_1", "Vrms"},
           {"lblCalResistorUnit_1", "Ohms"},
           {"frmCalSettings.cmdDefault", "&Default"},
           {"frmCalSettings.cmdOK", "&OK"},
           {"frmCalSettings.cmdCancel", "&Cancel"},
       }) {
    EXPECT_EQ(captions[name], caption) << name.toStdString();
  }
  EXPECT_EQ(rig.cal.StepWindow()->windowTitle(), "Calibrate VELD / KRAN");
}

TEST(CalibrationWindowsTest, WaysOutOfTheVoltageStep) {
  enum Way { kCancelButton, kCloseBox, kUnknownType };
  for (Way way : {kCancelButton, kCloseBox, kUnknownType}) {
    SCOPED_TRACE(way);
    Rig rig;
    auto* calibrate = rig.Find<CalibrateWindow>("frmCalibrate");
    auto* start = calibrate->findChild<QPushButton*>("cmdStart");
    rig.OpenCalibrateMenu();
    rig.window.CalibrateMenu()->close();
    // Factors of an earlier calibration are in the device.
    auto* manual = rig.Find<CalManualWindow>("frmCalManual");
    rig.Choose("mnuCalManual");
    Rig::Type(manual->Box(2), "5000");
    rig.app.session().SetCalibration();
    ASSERT_EQ(rig.Model().Factors()[2], 0x5000);
    if (way == kUnknownType) rig.app.state().device_type = 9;

    QTest::mouseClick(rig.Find<QPushButton>("cmdCalAuto"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return calibrate->isVisible(); }, 3000));
    if (way == kUnknownType) {
      EXPECT_EQ(Spoken(calibrate->findChild<QLabel*>("lblInstruct")), "ERROR: Unknown Device Type");
      EXPECT_FALSE(start->isEnabled());
      QTest::mouseClick(calibrate->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    } else {
      ASSERT_TRUE(WaitUntil([&] { return start->isEnabled(); }, 3000));
      if (way == kCancelButton) {
        QTest::mouseClick(calibrate->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
      } else {
        calibrate->close();
      }
      // The defaults written at the start stay in the device.
      EXPECT_EQ(rig.Model().Factors(), *DefaultFactors(2));
    }
    EXPECT_FALSE(calibrate->isVisible());
    EXPECT_FALSE(rig.cal.Guided().Running());
    EXPECT_TRUE(rig.app.session().Loop().Timer()->isActive());
    EXPECT_TRUE(rig.Find("cmdCheckOutputs")->isEnabled());
    // A cancelled run leaves "Full Calibrate" off until the Calibrate menu is opened.
    EXPECT_FALSE(rig.Find("cmdCalAuto")->isEnabled());
    EXPECT_TRUE(rig.prompts.shown().empty());
  }
}

}  // namespace
}  // namespace corvid::calibration
