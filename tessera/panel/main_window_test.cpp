#include "tessera/panel/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "common/prompts.h"
#include "common/qt_serial_port.h"
#include "common/simulated_port.h"
#include "common/testing/test_support.h"
#include "tessera/link/unit_link.h"
#include "tessera/panel/about_box.h"
#include "tessera/panel/panel_widgets.h"
#include "tessera/panel/tessera_app.h"
#include "tessera/sim/tbx_model.h"

namespace tessera::panel {
namespace {

using common::testing::Hex;
using common::testing::ToHex;

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_.Options().idle_animation = false;
    Reset();
  }

  void Reset() {
    app_.reset();
    auto port = std::make_unique<common::SimulatedPort>(&model_);
    port_ = port.get();
    app_ = std::make_unique<TesseraApp>(std::move(port), prompts_);
  }

  MainWindow& W() { return app_->Window(); }
  AppState& State() { return app_->State(); }

  bool Load(const QString& command_line = "") {
    const bool ok = app_->Start(command_line);
    // Tests run the ticks themselves.
    W().PollTimer()->stop();
    port_->TakeWritten();
    return ok;
  }

  // One tick; returns the requests it wrote, as hex.
  QStringList Tick() {
    W().PollTick();
    W().PollTimer()->stop();
    QStringList sent;
    for (const QByteArray& block : port_->TakeWritten()) sent << ToHex(block);
    return sent;
  }

  template <typename T>
  T* Find(const QString& name) {
    T* widget = W().findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  Indicator* Lamp(const QString& name) { return Find<Indicator>(name); }

  // Clicks on the button's label, not the empty space a layout may add beside it.
  void Click(const QString& name) {
    QWidget* widget = Find<QWidget>(name);
    if (widget == nullptr) return;
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
  }

  // The output request of the tick, if any.
  static QString OutputRequestOf(const QStringList& sent) {
    for (const QString& request : sent) {
      if (request.startsWith("37 ")) return request;
    }
    return {};
  }

  // Input responses carry these InputData bytes from now on.
  void ScriptInputs(const InputData& data) {
    const auto answer = [data](ByteSpan request) -> std::optional<Frame> {
      Frame frame{request[0]};
      frame.insert(frame.end(), data.begin(), data.end());
      return frame;
    };
    model_.SetCommand(kCmdInputRaw, sim::FixedLength(3), answer);
    model_.SetCommand(kCmdInputFiltered, sim::FixedLength(3), answer);
  }

  QStringList VisibleMenus() {
    QStringList menus;
    for (QAction* action : W().menuBar()->actions()) {
      if (action->isVisible()) menus << action->text();
    }
    return menus;
  }

  sim::TbxModel model_;
  common::ScriptedPrompts prompts_;
  common::SimulatedPort* port_ = nullptr;
  std::unique_ptr<TesseraApp> app_;
};

// --- Start-up ------------------------------------------------------------------------

TEST_F(PanelTest, StartUpResetsTheWindowAndOpensThePort) {
  ASSERT_TRUE(app_->Start("/comm=3"));
  QTimer* poll = W().PollTimer();
  EXPECT_EQ(poll->objectName(), "tmrPoll");
  EXPECT_TRUE(poll->isActive());
  EXPECT_EQ(poll->interval(), 100);
  poll->stop();

  EXPECT_TRUE(port_->IsOpen());
  EXPECT_EQ(port_->PortNumber(), 3);
  EXPECT_EQ(port_->Settings().baud, 19200);
  EXPECT_EQ(port_->Settings().parity, 'E');
  EXPECT_EQ(port_->Settings().data_bits, 8);
  EXPECT_EQ(port_->Settings().stop_bits, 1);
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = 3");
  EXPECT_EQ(W().PanelText(2), "");
  EXPECT_EQ(W().windowTitle(), "TBX Address #");

  EXPECT_TRUE(Find<QRadioButton>("btnInputControl_0")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("btnOutputControl_1")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("btnTransControl_1")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("chkZcrossDisable")->isChecked());
  for (int i = 0; i < 56; ++i)
    EXPECT_FALSE(Find<QCheckBox>(QString("chkOut_%1").arg(i))->isChecked());
  for (int i = 0; i < 55; ++i) EXPECT_FALSE(Lamp(QString("shpIn_%1").arg(i))->Filled());
  for (int k = 0; k < 18; ++k)
    EXPECT_FALSE(Find<ChannelFrame>(QString("fraChannel_%1").arg(k))->Border());
  EXPECT_TRUE(Find<QWidget>("shpCommStatus")->isHidden());
  EXPECT_TRUE(Find<QWidget>("shpLineSync")->isHidden());
  EXPECT_FALSE(Find<QWidget>("imgTBXComm")->isHidden());
  EXPECT_EQ(Find<QLabel>("lblComm")->text(), "TBX Not Responding");
  EXPECT_TRUE(Find<QProgressBar>("pgbProgress")->isHidden());
  EXPECT_TRUE(Find<QLabel>("lblReflashProgress")->isHidden());
  EXPECT_EQ(State().PollCount, 0u);
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(PanelTest, ControlsCarryTheirCaptionsAndAccessibleNames) {
  ASSERT_TRUE(Load());
  EXPECT_EQ(Find<QCheckBox>("chkOut_0")->text(), "I/O #00");
  EXPECT_EQ(Find<QCheckBox>("chkOut_53")->text(), "I/O #53");
  EXPECT_EQ(Find<QCheckBox>("chkOut_54")->text(), "Active");
  EXPECT_EQ(Find<QCheckBox>("chkOut_55")->text(), "Dummy");
  EXPECT_EQ(Find<QCheckBox>("chkOut_12")->accessibleName(), "I/O #12");
  EXPECT_EQ(Lamp("shpIn_5")->accessibleName(), "I/O #05 input");
  EXPECT_EQ(Lamp("shpIn_5")->accessibleDescription(), "off");
  EXPECT_EQ(Lamp("shpIn_54")->Colour(), kRed);
  EXPECT_EQ(Lamp("shpOpto_2")->accessibleName(), "Opto #3 input");
  EXPECT_EQ(Find<QLabel>("Label1_3")->text(), "Opto #4");
  EXPECT_EQ(Find<QGroupBox>("fraIO")->title(), "Input / Output Status");
  EXPECT_EQ(Find<QGroupBox>("fraBufferCtl")->title(), "Trans Buffer Control");
  EXPECT_EQ(Find<ChannelFrame>("fraChannel_17")->Caption(), "Channel 18");
  // Each point's check box and indicator sit in their channel frame.
  EXPECT_EQ(Find<QCheckBox>("chkOut_7")->parentWidget()->objectName(), "fraChannel_2");
  EXPECT_EQ(Lamp("shpIn_7")->parentWidget()->objectName(), "fraChannel_2");
  EXPECT_EQ(Lamp("shpOpto_0")->parentWidget()->objectName(), "fraOpto");
  EXPECT_EQ(Find<QWidget>("fraOpto")->parentWidget()->objectName(), "fraIO");
  for (QWidget* widget : W().findChildren<QWidget*>()) {
    const QString name = widget->objectName();
    if (name.startsWith("chk") || name.startsWith("btn") || name.startsWith("shp") ||
        name.startsWith("lbl") || name.startsWith("img") || name.startsWith("fra") ||
        name.startsWith("cmd") || name.startsWith("pgb")) {
      EXPECT_FALSE(widget->accessibleName().isEmpty()) << name.toStdString();
    }
  }
}

TEST_F(PanelTest, CommandLineThroughStartUp) {
  struct Case {
    const char* command_line;
    int port;
    bool kal;
  };
  const Case cases[] = {{"", 1, false},
                        {"/comm=3 /kal", 3, true},
                        {"/kal /comm=12x", 12, true},
                        {"/comm=3 /KAL", 3, false},
                        {"x/comm=7y", 7, false}};
  for (const Case& c : cases) {
    Reset();
    ASSERT_TRUE(Load(c.command_line)) << c.command_line;
    EXPECT_EQ(port_->PortNumber(), c.port) << c.command_line;
    EXPECT_EQ(W().PanelText(1), QString("EIA-232 Port = %1").arg(c.port));
    EXPECT_EQ(State().identity.KalSwitch, c.kal) << c.command_line;
    const QStringList menus =
        c.kal ? QStringList{"&Configure TBX", "&Buffers", "&Help"} : QStringList{"&Help"};
    EXPECT_EQ(VisibleMenus(), menus) << c.command_line;
  }
}

TEST_F(PanelTest, OpenFailureShowsOpenPortErrorAndEndsTheProgram) {
  port_->SetOpenFailure("Port unavailable");
  EXPECT_FALSE(app_->Start("/comm=4 /kal"));
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& box = prompts_.shown()[0];
  EXPECT_EQ(box.title, "Tessera");
  EXPECT_EQ(box.text, "Open Port Error");
  EXPECT_EQ(box.buttons, common::Buttons::kOk);
  EXPECT_EQ(box.icon, common::Icon::kCritical);
  EXPECT_EQ(box.detail, "Port unavailable");
  EXPECT_FALSE(W().PollTimer()->isActive());
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = 4");
  // No tick runs after the failed start.
  W().PollTick();
  EXPECT_TRUE(port_->TakeWritten().isEmpty());
}

TEST(PanelOpen, PortZeroFromEmptyCommSwitchFailsWithTheOsReason) {
  common::ScriptedPrompts prompts;
  TesseraApp app(std::make_unique<common::QtSerialPort>(), prompts);
  EXPECT_FALSE(app.Start("/comm="));
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].text, "Open Port Error");
  EXPECT_EQ(prompts.shown()[0].title, "Tessera");
  EXPECT_FALSE(prompts.shown()[0].detail.isEmpty());
  EXPECT_EQ(app.Window().PanelText(1), "EIA-232 Port = 0");
}

TEST_F(PanelTest, SimulatedModeIsMarkedButCaptionKept) {
  W().SetSimulated(true);
  ASSERT_TRUE(Load("/comm=2"));
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = Simulated");
  Tick();
  EXPECT_EQ(W().Caption(), "TBX Address #5, 6 Pack Output Assembly Position #1");
  EXPECT_TRUE(W().windowTitle().startsWith(W().Caption()));
  EXPECT_TRUE(W().windowTitle().contains("Simulated"));
}

// --- Poll schedule -------------------------------------------------------------------

TEST_F(PanelTest, ScheduleOverFiftyOneTicks) {
  ASSERT_TRUE(Load());
  for (int tick = 0; tick <= 50; ++tick) {
    QStringList expected = {"34 00 CB"};
    if (tick % 10 == 0) expected << "31 00 CE";
    if (tick % 50 == 0) expected << "71 0D 00 00 81";
    EXPECT_EQ(Tick(), expected) << "tick " << tick;
  }
  EXPECT_EQ(State().PollCount, 51u);
}

TEST_F(PanelTest, PollCountWrapsIntoAFullTick) {
  ASSERT_TRUE(Load());
  State().PollCount = kPollCountWrap - 1;
  EXPECT_EQ(Tick(), QStringList{"34 00 CB"});
  EXPECT_EQ(State().PollCount, 0u);
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00 81"}));
}

TEST_F(PanelTest, ControlChoicesTravelInTheInputRequest) {
  ASSERT_TRUE(Load());
  Tick();
  struct Case {
    const char* click;
    const char* request;
  };
  // Each click adds to the previous ones.
  const Case cases[] = {{"btnInputControl_1", "35 00 CA"},
                        {"btnTransControl_0", "35 02 C8"},
                        {"chkZcrossDisable", "35 06 C4"},
                        {"btnInputControl_0", "34 06 C5"},
                        {"btnTransControl_1", "34 04 C7"}};
  for (const Case& c : cases) {
    Click(c.click);
    EXPECT_EQ(Tick().value(0), c.request) << c.click;
  }
}

TEST_F(PanelTest, NoOutputFrameWhileSerialBusOwnsOutputs) {
  ASSERT_TRUE(Load());
  Click("chkOut_0");
  Click("chkOut_54");
  for (int tick = 0; tick < 12; ++tick) {
    for (const QString& request : Tick())
      EXPECT_FALSE(request.startsWith("37")) << request.toStdString();
  }
  EXPECT_FALSE(model_.OutputsWritten());

  Click("btnOutputControl_0");
  const QStringList sent = Tick();
  ASSERT_EQ(sent.size(), 2);
  EXPECT_EQ(sent[0], "34 01 CA");
  EXPECT_EQ(sent[1], "37 01 00 00 00 00 00 40 00 00 00 00 00 00 00 00 00 87");
  EXPECT_EQ(model_.Outputs()[0], 0x01);
  EXPECT_EQ(model_.Outputs()[6], 0x40);
  EXPECT_EQ(State().output_data[6], 0x40);
}

TEST_F(PanelTest, ClearOutputsUnchecksEveryBoxAndSendsZeros) {
  ASSERT_TRUE(Load());
  Click("btnOutputControl_0");
  for (int i : {0, 17, 53, 54, 55}) {
    Click(QString("chkOut_%1").arg(i));
  }
  EXPECT_EQ(OutputRequestOf(Tick()), "37 01 00 02 00 00 00 E0 00 00 00 00 00 00 00 00 00 E5");
  Click("cmdClearAll");
  for (int i = 0; i < 56; ++i) {
    EXPECT_FALSE(Find<QCheckBox>(QString("chkOut_%1").arg(i))->isChecked()) << i;
  }
  EXPECT_EQ(OutputRequestOf(Tick()), "37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8");
}

// --- Input display -------------------------------------------------------------------

TEST_F(PanelTest, InputBytesLightTheIndicators) {
  ASSERT_TRUE(Load());
  InputData data{};
  data[0] = 0x21;  // points 0 and 5
  data[6] = 0xC0;  // point 54 ("Active"); bit 7 has no point
  data[7] = 0x5F;  // all four optos, address 5
  data[8] = 0xFF;  // not shown
  ScriptInputs(data);
  Tick();
  for (int i = 0; i < 55; ++i) {
    const bool lit = i == 0 || i == 5 || i == 54;
    EXPECT_EQ(Lamp(QString("shpIn_%1").arg(i))->Filled(), lit) << i;
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(Lamp(QString("shpOpto_%1").arg(i))->Filled());
    EXPECT_EQ(Lamp(QString("shpOpto_%1").arg(i))->accessibleDescription(), "on");
  }
  EXPECT_EQ(Lamp("shpIn_5")->accessibleDescription(), "on");
  EXPECT_EQ(State().identity.UnitAddress, 5);
  EXPECT_EQ(W().windowTitle(), "TBX Address #5, 6 Pack Output Assembly Position #1");
  EXPECT_EQ(State().input_data, data);

  data = {};
  data[6] = 0x80;
  ScriptInputs(data);
  Tick();
  for (int i = 0; i < 55; ++i) EXPECT_FALSE(Lamp(QString("shpIn_%1").arg(i))->Filled()) << i;
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(Lamp(QString("shpOpto_%1").arg(i))->Filled()) << i;
  EXPECT_EQ(Lamp("shpIn_5")->accessibleDescription(), "off");
}

TEST_F(PanelTest, AddressDecidesFramesCaptionsAndColours) {
  ASSERT_TRUE(Load());
  InputData data{};
  data[7] = 0x30;  // address 3: 14 pack, channels 14..27
  ScriptInputs(data);
  Tick();
  EXPECT_EQ(W().windowTitle(), "TBX Address #3, 14 Pack Output Assembly Position #3");
  EXPECT_TRUE(Find<ChannelFrame>("fraChannel_0")->Border());
  EXPECT_EQ(Find<ChannelFrame>("fraChannel_0")->title(), "Channel 14");
  EXPECT_EQ(Find<ChannelFrame>("fraChannel_13")->title(), "Channel 27");
  EXPECT_FALSE(Find<ChannelFrame>("fraChannel_14")->Border());
  EXPECT_EQ(Find<ChannelFrame>("fraChannel_14")->title(), "");
  EXPECT_EQ(Lamp("shpIn_39")->Colour(), kRed);
  EXPECT_EQ(Lamp("shpIn_40")->Colour(), kYellow);
  EXPECT_EQ(Lamp("shpIn_41")->Colour(), kGreen);
  EXPECT_EQ(Lamp("shpIn_42")->Colour(), kBlue);

  data[7] = 0x90;  // input assembly: all blue, no borders
  ScriptInputs(data);
  Tick();
  EXPECT_EQ(W().windowTitle(), "TBX Address #9, Input Assembly Position #1");
  EXPECT_FALSE(Find<ChannelFrame>("fraChannel_0")->Border());
  EXPECT_EQ(Find<ChannelFrame>("fraChannel_0")->Caption(), "Channel 19");
  EXPECT_EQ(Lamp("shpIn_0")->Colour(), kBlue);
  EXPECT_EQ(Lamp("shpIn_41")->Colour(), kBlue);
}

// --- Link and line-sync state --------------------------------------------------------

TEST_F(PanelTest, LineSyncErrorSendsExactlyOneFollowUp) {
  ASSERT_TRUE(Load());
  model_.Options().line_sync_error = true;
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "31 02 CC", "71 0D 00 00 81"}));
  EXPECT_EQ(model_.Counters().line_sync_requests, 1);
  EXPECT_EQ(Find<QLabel>("lblLineSync")->text(), "Line Sync Error");
  EXPECT_TRUE(Find<QWidget>("shpLineSync")->isHidden());
  EXPECT_FALSE(Find<QWidget>("imgLineSyncStatus")->isHidden());

  for (int tick = 1; tick < 10; ++tick) Tick();
  model_.Options().line_sync_error = false;
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE"}));
  EXPECT_EQ(model_.Counters().line_sync_requests, 1);
  EXPECT_EQ(Find<QLabel>("lblLineSync")->text(), "Line Sync Active");
  EXPECT_FALSE(Find<QWidget>("shpLineSync")->isHidden());
  EXPECT_TRUE(Find<QWidget>("imgLineSyncStatus")->isHidden());
}

TEST_F(PanelTest, SilentUnitShowsNotRespondingAndRecovers) {
  ASSERT_TRUE(Load("/kal"));
  Tick();
  EXPECT_EQ(Find<QLabel>("lblComm")->text(), "TBX Responding");
  EXPECT_FALSE(Find<QWidget>("shpCommStatus")->isHidden());
  EXPECT_TRUE(Find<QWidget>("imgTBXComm")->isHidden());
  EXPECT_EQ(W().PanelText(2), "Firmware Version = 23, Firmware Revision = 1.4 ");

  model_.Options().silent = true;
  EXPECT_EQ(Tick(), QStringList{"34 00 CB"});
  EXPECT_EQ(Find<QLabel>("lblComm")->text(), "TBX Not Responding");
  EXPECT_TRUE(Find<QWidget>("shpCommStatus")->isHidden());
  EXPECT_FALSE(Find<QWidget>("imgTBXComm")->isHidden());
  EXPECT_FALSE(Find<QWidget>("fraIO")->isEnabled());
  EXPECT_FALSE(Find<QWidget>("chkOut_3")->isEnabled());
  EXPECT_FALSE(Find<QWidget>("fraChannel_1")->isEnabled());
  EXPECT_EQ(W().PanelText(2), "");
  // Only the I/O frame goes grey.
  EXPECT_TRUE(Find<QWidget>("cmdClearAll")->isEnabled());
  EXPECT_TRUE(prompts_.shown().empty());

  model_.Options().silent = false;
  Tick();
  EXPECT_EQ(Find<QLabel>("lblComm")->text(), "TBX Responding");
  EXPECT_TRUE(Find<QWidget>("fraIO")->isEnabled());
  EXPECT_TRUE(Find<QWidget>("chkOut_3")->isEnabled());
}

TEST_F(PanelTest, CorruptAnswersCountAsNotResponding) {
  ASSERT_TRUE(Load());
  Tick();
  model_.Options().corrupt_every = 1;
  Tick();
  EXPECT_EQ(Find<QLabel>("lblComm")->text(), "TBX Not Responding");
  EXPECT_FALSE(Find<QWidget>("chkOut_0")->isEnabled());
}

// --- Menus ---------------------------------------------------------------------------

TEST_F(PanelTest, MenusFollowKalAndCommVersion) {
  struct Case {
    const char* command_line;
    bool extended;
    std::uint8_t comm_version;
    bool complex;
    bool event_log;
    bool buffers;
  };
  const Case cases[] = {
      {"/kal", true, 0x10, false, false, true}, {"/kal", true, 0x11, true, false, true},
      {"/kal", true, 0x20, true, false, true},  {"/kal", true, 0x21, true, true, true},
      {"", true, 0x21, true, true, true},       {"/kal", false, 0x21, true, false, true},
      {"", false, 0x21, true, false, true},
  };
  for (const Case& c : cases) {
    Reset();
    model_.Options().extended = c.extended;
    model_.Options().comm_version = c.comm_version;
    ASSERT_TRUE(Load(c.command_line));
    Tick();
    const std::string label = std::string(c.command_line) + (c.extended ? " ext " : " old ") +
                              std::to_string(c.comm_version);
    EXPECT_EQ(State().identity.KalUnit, c.extended) << label;
    EXPECT_EQ(Find<QAction>("mnuComplexOutputs")->isEnabled(), c.complex) << label;
    EXPECT_EQ(Find<QAction>("mnuEventLog")->isEnabled(), c.event_log) << label;
    const bool kal = *c.command_line != '\0';
    // A hidden menu always reports itself disabled.
    if (kal) {
      EXPECT_EQ(Find<QMenu>("mnuBuffers")->menuAction()->isEnabled(), c.buffers) << label;
    }
    EXPECT_EQ(Find<QMenu>("mnuConfigure")->menuAction()->isVisible(), kal) << label;
    EXPECT_EQ(Find<QMenu>("mnuBuffers")->menuAction()->isVisible(), kal) << label;
  }
}

TEST_F(PanelTest, OldUnitWithoutKalClearsTheVersionText) {
  model_.Options().extended = false;
  ASSERT_TRUE(Load());
  Tick();
  EXPECT_FALSE(State().identity.KalUnit);
  EXPECT_EQ(W().PanelText(2), "");
  EXPECT_EQ(VisibleMenus(), QStringList{"&Help"});
}

TEST_F(PanelTest, HelpMenuItems) {
  ASSERT_TRUE(Load());
  EXPECT_FALSE(Find<QAction>("mnuHelpItem")->isEnabled());
  EXPECT_TRUE(Find<QAction>("mnuReFlash")->isEnabled());
  EXPECT_EQ(Find<QMenu>("mnuFlashTools")->title(), "Flash &Tools");
  const char* captions[] = {"Launch",         "Read ID",     "Erase",     "Calculate CS",
                            "Program Record", "Read Record", "Reboot TBX"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(Find<QAction>(QString("mnuFlashItem_%1").arg(i))->text(), captions[i]);
  }
  EXPECT_TRUE(Find<QAction>("mnuHelpDivider2")->isSeparator());
  EXPECT_EQ(Find<QAction>("mnuAbout")->text(), "&About");
}

TEST_F(PanelTest, MenuHooksRunActionsAndKeepOneDialog) {
  ASSERT_TRUE(Load("/kal"));
  int made = 0;
  W().SetDialog("mnuConfigureInputs", [&made](QWidget* parent) {
    ++made;
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("frmFiltering");
    return dialog;
  });
  int flash = 0;
  W().SetMenuAction("mnuFlashItem_3", [&flash] { ++flash; });
  QStringList chosen;
  QObject::connect(&W(), &MainWindow::MenuItemChosen, [&chosen](const QString& n) { chosen << n; });

  Find<QAction>("mnuConfigureInputs")->trigger();
  Find<QAction>("mnuConfigureInputs")->trigger();
  Find<QAction>("mnuFlashItem_3")->trigger();
  Find<QAction>("mnuInputTracking")->trigger();  // nothing hooked yet: no effect
  EXPECT_EQ(made, 1);
  EXPECT_EQ(W().findChildren<QDialog*>("frmFiltering").size(), 1);
  EXPECT_TRUE(W().DialogInstance("mnuConfigureInputs")->isVisible());
  EXPECT_EQ(flash, 1);
  EXPECT_EQ(chosen, (QStringList{"mnuConfigureInputs", "mnuConfigureInputs", "mnuFlashItem_3",
                                 "mnuInputTracking"}));
}

TEST_F(PanelTest, AboutBoxTextWithAndWithoutIdentity) {
  ASSERT_TRUE(Load("/kal"));
  const QString head = AboutText(TesseraVersion(), UnitIdentity{});
  Find<QAction>("mnuAbout")->trigger();
  auto* box = W().findChild<AboutBox*>("frmAbout");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Text(), head);
  EXPECT_FALSE(box->Text().contains("TBX Firmware"));
  QTest::mouseClick(box->findChild<QWidget*>("lblAbout"), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(W().findChild<AboutBox*>("frmAbout"), nullptr);

  Tick();  // the unit identifies: comm 2.3, firmware 23, revision 1.4
  Find<QAction>("mnuAbout")->trigger();
  box = W().findChild<AboutBox*>("frmAbout");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->Text(), head +
                             "\r\nTBX Firmware Version = 23\r\nTBX Firmware Revision = 1.4"
                             "\r\nTBX Comm Version = 2.3");
  box->close();
}

// --- Re-entrancy ---------------------------------------------------------------------

TEST_F(PanelTest, TickSkippedWhileTheLinkIsBusy) {
  ASSERT_TRUE(Load());
  model_.Options().delay_ms = 30;
  bool was_busy = false;
  qsizetype tick_writes = -1;
  QTimer::singleShot(5, [&] {
    was_busy = app_->Link().Busy();
    port_->TakeWritten();
    W().PollTick();  // arrives inside the exchange's wait
    tick_writes = port_->TakeWritten().size();
  });
  const Frame answer = app_->Link().Exchange(StatusRequest(), kStatusResponse);
  EXPECT_FALSE(answer.empty());
  EXPECT_TRUE(was_busy);
  EXPECT_EQ(tick_writes, 0);
  EXPECT_EQ(State().PollCount, 0u);
  EXPECT_EQ(app_->Link().Counters().rejected_busy, 0u);
}

TEST_F(PanelTest, TickNeverNestsInsideItself) {
  ASSERT_TRUE(Load());
  model_.Options().delay_ms = 30;
  QTimer::singleShot(5, [&] { W().PollTick(); });
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00 81"}));
  EXPECT_EQ(State().PollCount, 1u);
}

TEST_F(PanelTest, TickSkippedWhileAMenuIsOpen) {
  ASSERT_TRUE(Load());
  W().show();
  QMenu* help = Find<QMenu>("mnuHelp");
  W().menuBar()->setActiveAction(help->menuAction());
  ASSERT_TRUE(W().menuBar()->activeAction() != nullptr);
  EXPECT_TRUE(Tick().isEmpty());
  EXPECT_EQ(State().PollCount, 0u);
  help->hide();
  W().menuBar()->setActiveAction(nullptr);
  EXPECT_EQ(Tick().value(0), "34 00 CB");
  W().hide();
}

TEST_F(PanelTest, RequestFlagsServicedAfterTheFrontPanelExchanges) {
  ASSERT_TRUE(Load());
  QStringList order;
  W().SetRequestHandler(Request::kReadEvents, [&] {
    order << "ReadEvents";
    port_->Write(Hex("7F 0D 00 73"));  // a routine's own exchange would go out here
  });
  W().SetRequestHandler(Request::kSendTracking, [&] { order << "SendTracking"; });
  State().requests.ReqReadEvents = true;
  State().requests.ReqSendTracking = true;
  State().requests.ReqSendComplex = true;  // no routine yet: just cleared
  const QStringList sent = Tick();
  EXPECT_EQ(order, (QStringList{"SendTracking", "ReadEvents"}));
  EXPECT_EQ(sent.value(3), "7F 0D 00 73");
  EXPECT_FALSE(State().requests.Any());
}

TEST_F(PanelTest, SuspendedPollingSendsNothingUntilResumed) {
  ASSERT_TRUE(Load());
  W().SuspendPolling();
  EXPECT_TRUE(Tick().isEmpty());
  EXPECT_FALSE(W().PollTimer()->isActive());
  W().ResumePolling();
  EXPECT_TRUE(W().PollTimer()->isActive());
  EXPECT_FALSE(Tick().isEmpty());
}

TEST_F(PanelTest, ClosingStopsPollingAndClosesThePort) {
  ASSERT_TRUE(app_->Start(""));
  W().show();
  auto* dialog = new QDialog(&W());
  dialog->show();
  W().close();
  EXPECT_FALSE(W().PollTimer()->isActive());
  EXPECT_FALSE(port_->IsOpen());
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(Tick().isEmpty());
}

TEST_F(PanelTest, TimerDrivesTicksByItself) {
  ASSERT_TRUE(app_->Start(""));
  EXPECT_TRUE(common::testing::WaitUntil([&] { return State().PollCount >= 2; }, 2000));
  W().PollTimer()->stop();
  const auto written = port_->TakeWritten();
  ASSERT_GE(written.size(), 4);
  EXPECT_EQ(ToHex(written[0]), "34 00 CB");
  EXPECT_EQ(ToHex(written[1]), "31 00 CE");
  EXPECT_EQ(ToHex(written[2]), "71 0D 00 00 81");
  EXPECT_EQ(ToHex(written[3]), "34 00 CB");
}

}  // namespace
}  // namespace tessera::panel
