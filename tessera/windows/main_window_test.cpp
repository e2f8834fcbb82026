#include "tessera/windows/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <memory>

#include "common/qtcore/event_wait.h"
#include "common/qtcore/qt_serial_port.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "common/widgets/about_box.h"
#include "common/widgets/indicator.h"
#include "tessera/link/unit_link.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_model.h"
#include "tessera/windows/about_text.h"
#include "tessera/windows/channel_frame.h"

namespace tessera::panel {
namespace {

using common::testing::ToHex;

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() { Reset(); }

  // The window over a session whose port reaches model_, or (simulated) over the
  // built-in simulated unit of "/sim".
  void Reset(bool simulated = false) {
    window_.reset();
    app_.reset();
    common::PortSetup setup;
    if (simulated) {
      setup = common::MakePortSetup(std::make_unique<sim::TbxModel>(), false);
    } else {
      setup.port = std::make_unique<common::SimulatedPort>(&model_);
    }
    port_ = static_cast<common::SimulatedPort*>(setup.port.get());
    app_ = std::make_unique<TesseraApp>(std::move(setup), prompts_);
    window_ = std::make_unique<MainWindow>(*app_);
  }

  MainWindow& W() { return *window_; }
  SessionState& State() { return app_->State(); }
  Session& S() { return app_->session(); }
  QTimer* PollTimer() { return S().Loop().Timer(); }

  bool Load(const QString& command_line = "") {
    const bool ok = W().Load(command_line);
    PollTimer()->stop();  // tests run the ticks themselves
    port_->TakeWritten();
    return ok;
  }

  // One tick; the requests it wrote, as hex.
  QStringList Tick() {
    S().PollTick();
    PollTimer()->stop();
    QStringList sent;
    for (const QByteArray& block : port_->TakeWritten()) sent << ToHex(block);
    return sent;
  }

  template <typename T = QWidget>
  T* Find(const QString& name) {
    T* widget = W().findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  template <typename T = QWidget>
  T* Find(const char* base, int i) {
    return Find<T>(QString("%1_%2").arg(base).arg(i));
  }
  bool Shown(const char* name) { return !Find(name)->isHidden(); }
  QString Text(const char* name) { return Find<QLabel>(name)->text(); }
  // A status line as shown: "<label> <shape shown> <picture shown>".
  QString Status(const char* label, const char* shape, const char* picture) {
    return QString("%1 %2 %3").arg(Text(label)).arg(Shown(shape)).arg(Shown(picture));
  }

  // Clicks on the button's label, not the empty space a layout may add beside it.
  void Click(const QString& name) {
    QWidget* widget = Find(name);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
  }

  // Input responses carry these InputData bytes 0-6 (the unit's outputs loop back),
  // then the optos and the address.
  void ScriptInputs(std::array<std::uint8_t, 16> points, int optos, int address) {
    model_.Receive(OutputRequest(points));
    model_.Options().opto_inputs = static_cast<std::uint8_t>(optos);
    model_.Options().unit_address = address;
  }

  QStringList VisibleMenus() {
    QStringList menus;
    for (QAction* action : W().menuBar()->actions()) {
      if (action->isVisible()) menus << action->text();
    }
    return menus;
  }

  sim::TbxModel model_{{.idle_animation = false}};
  common::ScriptedPrompts prompts_;
  common::SimulatedPort* port_ = nullptr;
  std::unique_ptr<TesseraApp> app_;
  std::unique_ptr<MainWindow> window_;
};

// --- Start-up ------------------------------------------------------------------------

TEST_F(PanelTest, StartUpResetsTheWindowAndOpensThePort) {
  // A window left in any state by an earlier run is reset by Load.
  Find<QAbstractButton>("btnInputControl_1")->setChecked(true);
  Find<QCheckBox>("chkOut_4")->setChecked(true);
  ASSERT_TRUE(W().Load("x/comm=3y /kal"));
  EXPECT_TRUE(PollTimer()->isActive());
  PollTimer()->stop();
  EXPECT_TRUE(port_->IsOpen());
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = 3");
  EXPECT_EQ(W().PanelText(2), "");
  EXPECT_TRUE(State().identity.extended_forced);
  EXPECT_EQ(VisibleMenus(), QStringList({"&Configure TBX", "&Buffers", "&Help"}));
  for (const char* on : {"btnInputControl_0", "btnOutputControl_1", "btnTransControl_1"}) {
    EXPECT_TRUE(Find<QAbstractButton>(on)->isChecked()) << on;
  }
  EXPECT_FALSE(Find<QCheckBox>("chkZcrossDisable")->isChecked());
  for (int i = 0; i < 56; ++i) EXPECT_FALSE(Find<QCheckBox>("chkOut", i)->isChecked());
  for (int i = 0; i < 55; ++i) EXPECT_FALSE(Find<Indicator>("shpIn", i)->Filled());
  for (int k = 0; k < 18; ++k) EXPECT_FALSE(Find<ChannelFrame>("fraChannel", k)->Border());
  for (const char* hidden : {"shpCommStatus", "shpLineSync", "pgbProgress", "lblReflashProgress"}) {
    EXPECT_FALSE(Shown(hidden)) << hidden;
  }
  EXPECT_TRUE(Shown("imgTBXComm"));
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(PanelTest, ControlsCarryTheirCaptionsAndAccessibleNames) {
  ASSERT_TRUE(Load());
  // clang-format off
  const std::pair<const char*, const char*> captions[] = {
      {"frmMain", "TBX Address #"}, {"lblComm", "TBX Not Responding"},
      {"chkOut_0", "I/O #00"},      {"chkOut_53", "I/O #53"},
      {"chkOut_54", "Active"},      {"chkOut_55", "Dummy"},
      {"Label1_3", "Opto #4"},      {"fraIO", "Input / Output Status"},
      {"fraBufferCtl", "Trans Buffer Control"}, {"btnTransControl_1", "Serial Bus #1"},
      {"cmdClearAll", "Clear Outputs"},         {"mnuFlashTools", "Flash &Tools"},
      {"mnuFlashItem_0", "&Launch"},            {"mnuFlashItem_1", "Read &ID"},
      {"mnuFlashItem_2", "&Erase"},             {"mnuFlashItem_3", "&Calculate CS"},
      {"mnuFlashItem_4", "&Program Record"},    {"mnuFlashItem_5", "Read &Record"},
      {"mnuFlashItem_6", "Re&boot TBX"},        {"mnuAbout", "&About"},
  };
  // clang-format on
  for (const auto& [name, caption] : captions) {
    QObject* object = name == QString("frmMain") ? &W() : W().findChild<QObject*>(name);
    ASSERT_NE(object, nullptr) << name;
    QVariant text = object->property("text");
    if (!text.isValid()) text = object->property("title");
    if (!text.isValid()) text = object->property("windowTitle");
    EXPECT_EQ(text.toString(), caption) << name;
  }
  EXPECT_FALSE(Find<QAction>("mnuHelpItem")->isEnabled());
  EXPECT_TRUE(Find<QAction>("mnuHelpDivider2")->isSeparator());
  EXPECT_EQ(Find("shpIn_5")->accessibleName(), "I/O #05 input");
  EXPECT_EQ(Find<Indicator>("shpIn_54")->Colour(), kRed);
  // Each point's check box and indicator sit in their channel frame.
  EXPECT_EQ(Find("chkOut_7")->parentWidget()->objectName(), "fraChannel_2");
  EXPECT_EQ(Find("shpIn_7")->parentWidget()->objectName(), "fraChannel_2");
  EXPECT_EQ(Find("fraOpto")->parentWidget()->objectName(), "fraIO");
  for (QWidget* widget : W().findChildren<QWidget*>()) {
    const QString name = widget->objectName();
    if (QRegularExpression("^(chk|btn|shp|lbl|img|fra|cmd|pgb)").match(name).hasMatch()) {
      EXPECT_FALSE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).isEmpty())
          << name.toStdString();
    }
  }
}

TEST_F(PanelTest, OpenFailureEndsTheProgramWithOneBox) {
  port_->SetOpenFailure("Port unavailable");
  EXPECT_FALSE(W().Load("/comm=4 /kal"));
  ASSERT_EQ(prompts_.shown().size(), 1u);
  EXPECT_EQ(prompts_.shown()[0].text, "Open Port Error");
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = 4");
  EXPECT_FALSE(PollTimer()->isActive());
  EXPECT_TRUE(Tick().isEmpty());
}

TEST_F(PanelTest, SimulatedModeIsMarkedButCaptionKept) {
  Reset(true);
  ASSERT_TRUE(Load("/comm=2"));
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = Simulated");
  Tick();
  EXPECT_EQ(W().Caption(), "TBX Address #5, 6 Pack Output Assembly Position #1");
  EXPECT_TRUE(W().windowTitle().startsWith(W().Caption()));
  EXPECT_TRUE(W().windowTitle().contains("Simulated"));
}

// --- Poll schedule and requests -------------------------------------------------------

TEST_F(PanelTest, ControlChoicesTravelInTheInputRequest) {
  ASSERT_TRUE(Load());
  Tick();
  // Each click adds to the previous ones.
  const std::pair<const char*, const char*> cases[] = {{"btnInputControl_1", "35 00 CA"},
                                                       {"btnTransControl_0", "35 02 C8"},
                                                       {"chkZcrossDisable", "35 06 C4"},
                                                       {"btnInputControl_0", "34 06 C5"},
                                                       {"btnTransControl_1", "34 04 C7"}};
  for (const auto& [click, request] : cases) {
    Click(click);
    EXPECT_EQ(Tick().value(0), request) << click;
  }
}

// As a technician at the keyboard: Tab walks into each control group on its checked
// button, so a stray Space never hands the outputs to the front panel; arrows choose.
TEST_F(PanelTest, TabEntersEachGroupOnItsCheckedButton) {
  ASSERT_TRUE(Load());
  W().show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
  Find("btnInputControl_0")->setFocus();
  const auto focused = [] { return QApplication::focusWidget()->objectName(); };
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(focused(), "btnOutputControl_1");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_TRUE(Find<QRadioButton>("btnOutputControl_1")->isChecked());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(focused(), "btnTransControl_1");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_EQ(focused(), "btnTransControl_0");
  EXPECT_TRUE(Find<QRadioButton>("btnTransControl_0")->isChecked());
  EXPECT_EQ(Tick().value(0), "34 02 C9");  // transition buffer on the front panel now
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(focused(), "btnOutputControl_1");
  W().hide();
}

// Maximised on a large screen: the control frames share the width, and "Active",
// "Dummy" and the opto frame stay together under the channels.
TEST_F(PanelTest, ALargeWindowGrowsItsFramesAndKeepsTheirPlaces) {
  ASSERT_TRUE(Load());
  W().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&W()));
  const QSize minimum = W().minimumSizeHint();
  const auto in_window = [&](const char* name) {
    QWidget* widget = Find(name);
    return QRect(widget->mapTo(&W(), QPoint(0, 0)), widget->size());
  };
  const auto settle = [&](QSize size) {
    W().resize(size);
    QCoreApplication::processEvents();
    W().layout()->activate();
  };
  settle(W().sizeHint());
  const char* top_row[] = {"fraInputCtl", "fraOutputCtl", "fraBufferCtl", "fraZcross"};
  std::vector<int> widths;
  for (const char* name : top_row) widths.push_back(in_window(name).width());
  const int gap = in_window("chkOut_55").top() - in_window("chkOut_54").top();
  settle({1900, 1100});
  for (int i = 0; i < 4; ++i)
    EXPECT_GT(in_window(top_row[i]).width(), widths[i] + 50) << top_row[i];
  const QRect active = in_window("chkOut_54"), dummy = in_window("chkOut_55");
  EXPECT_EQ(dummy.top() - active.top(), gap);
  const QRect opto = in_window("fraOpto");
  EXPECT_LT(std::abs(opto.center().y() - (active.top() + dummy.bottom()) / 2), opto.height());
  EXPECT_GT(in_window("fraChannel_0").height(), 120);  // the channels take the height
  EXPECT_EQ(W().minimumSizeHint(), minimum);
  W().hide();
}

TEST_F(PanelTest, OutputFrameOnlyForTheFrontPanelAndClearOutputs) {
  ASSERT_TRUE(Load());
  for (int i : {0, 17, 53, 54, 55}) Click(QString("chkOut_%1").arg(i));
  for (int tick = 0; tick < 11; ++tick)
    EXPECT_TRUE(Tick().filter(QRegularExpression("^37")).isEmpty());
  Click("btnOutputControl_0");
  EXPECT_EQ(Tick(),
            (QStringList{"34 01 CA", "37 01 00 02 00 00 00 E0 00 00 00 00 00 00 00 00 00 E5"}));
  EXPECT_EQ(model_.Outputs()[6], 0xE0);
  Click("cmdClearAll");
  for (int i = 0; i < 56; ++i) EXPECT_FALSE(Find<QCheckBox>("chkOut", i)->isChecked()) << i;
  EXPECT_EQ(Tick().value(1), "37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8");
}

// --- What the responses show --------------------------------------------------------

TEST_F(PanelTest, InputBytesLightTheIndicators) {
  ASSERT_TRUE(Load());
  // The indicators a screen reader hears as "on".
  const auto lit = [this] {
    QStringList on;
    for (QWidget* shape : W().findChildren<Indicator*>(QRegularExpression("^shp(In|Opto)_"))) {
      if (shape->accessibleDescription() == "on") on << shape->objectName();
    }
    on.sort();
    return on.join(' ');
  };
  ScriptInputs({0x21, 0, 0, 0, 0, 0, 0xC0}, 0x0F, 5);  // points 0, 5, 54; all optos
  Tick();
  EXPECT_EQ(lit(), "shpIn_0 shpIn_5 shpIn_54 shpOpto_0 shpOpto_1 shpOpto_2 shpOpto_3");
  EXPECT_TRUE(Find<Indicator>("shpIn_54")->Filled());
  EXPECT_EQ(State().identity.unit_address, 5);
  ScriptInputs({0, 0, 0, 0, 0, 0, 0x80}, 0, 3);  // bit 7 of byte 6 has no point
  Tick();
  EXPECT_EQ(lit(), "");
  // Address 3: 14 pack, channels 14..27 in red, yellow, green.
  EXPECT_EQ(W().windowTitle(), "TBX Address #3, 14 Pack Output Assembly Position #3");
  EXPECT_TRUE(Find<ChannelFrame>("fraChannel_13")->Border());
  EXPECT_EQ(Find<ChannelFrame>("fraChannel_13")->title(), "Channel 27");
  EXPECT_EQ(Find<ChannelFrame>("fraChannel_14")->title(), "");
  EXPECT_EQ(Find<Indicator>("shpIn_39")->Colour(), kRed);
  EXPECT_EQ(Find<Indicator>("shpIn_40")->Colour(), kYellow);
  EXPECT_EQ(Find<Indicator>("shpIn_41")->Colour(), kGreen);
  EXPECT_EQ(Find<Indicator>("shpIn_42")->Colour(), kBlue);
}

// Counts what the window is made to draw or restyle.
class DrawCounter : public QObject {
 public:
  explicit DrawCounter(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~DrawCounter() override { qApp->removeEventFilter(this); }
  QStringList seen;  // "<object name> <event type>"

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && (widget == window_ || window_->isAncestorOf(widget)) &&
        (type == QEvent::Paint || type == QEvent::StyleChange || type == QEvent::UpdateRequest)) {
      seen << QString("%1 %2").arg(widget->objectName()).arg(int(type));
    }
    return false;
  }

 private:
  QWidget* window_;
};

// Polling a unit whose answers do not change costs nothing on screen, whatever its
// address: nothing is repainted or restyled (a restyle of the channel frames on
// every answer once cost 8 % of a core at address 9).
TEST_F(PanelTest, UnchangedAnswersRedrawNothingAtAnyAddress) {
  for (int address : {1, 3, 4, 5, 9, 0, 15}) {
    SCOPED_TRACE(address);
    Reset();
    ScriptInputs({0x49, 0x92, 0, 0, 0, 0, 0x40}, 0x5, address);
    ASSERT_TRUE(Load());
    W().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&W()));
    Tick();  // input, status and identify: the first answers lay the window out
    Tick();
    common::Delay(50);
    DrawCounter counter(&W());
    for (int i = 0; i < 12; ++i) Tick();  // a status exchange among them
    common::Delay(50);
    EXPECT_EQ(counter.seen, QStringList{}) << counter.seen.join(", ").toStdString();
    EXPECT_EQ(Text("lblComm"), "TBX Responding");
  }
}

TEST_F(PanelTest, LineSyncStateIsShown) {
  ASSERT_TRUE(Load());
  model_.Options().line_sync_error = true;
  Tick();
  EXPECT_EQ(Status("lblLineSync", "shpLineSync", "imgLineSyncStatus"), "Line Sync Error 0 1");
  EXPECT_EQ(Find("imgLineSyncStatus")->accessibleDescription(), "on");
  for (int tick = 1; tick < 10; ++tick) Tick();
  model_.Options().line_sync_error = false;
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE"}));
  EXPECT_EQ(Status("lblLineSync", "shpLineSync", "imgLineSyncStatus"), "Line Sync Active 1 0");
  EXPECT_EQ(Find("imgLineSyncStatus")->accessibleDescription(), "off");
}

TEST_F(PanelTest, NoValidAnswerShowsNotRespondingAndRecovers) {
  for (const QString fault : {"silent", "corrupt", "unplugged"}) {
    SCOPED_TRACE(fault.toStdString());
    Reset();
    ASSERT_TRUE(Load("/kal"));
    Tick();
    EXPECT_EQ(Status("lblComm", "shpCommStatus", "imgTBXComm"), "TBX Responding 1 0");
    EXPECT_EQ(W().PanelText(2), "Firmware Version = 23, Firmware Revision = 1.4 ");
    model_.Options().drop_every = fault == "silent";
    model_.Options().corrupt_every = fault == "corrupt";
    if (fault == "unplugged") port_->Unplug();
    // A gone port takes no request at all; the others got the input request only.
    EXPECT_EQ(Tick(), fault == "unplugged" ? QStringList{} : QStringList{"34 00 CB"});
    EXPECT_EQ(Status("lblComm", "shpCommStatus", "imgTBXComm"), "TBX Not Responding 0 1");
    EXPECT_FALSE(Find("fraIO")->isEnabled());
    EXPECT_FALSE(Find("chkOut_3")->isEnabled());
    EXPECT_TRUE(Find("cmdClearAll")->isEnabled());  // only the I/O frame goes grey
    EXPECT_EQ(W().PanelText(2), "");
    EXPECT_TRUE(prompts_.shown().empty());
    model_.Options().corrupt_every = model_.Options().drop_every = 0;
    if (fault == "unplugged") port_->Open();  // back (the real port reopens on a later write)
    Tick();
    EXPECT_EQ(Status("lblComm", "shpCommStatus", "imgTBXComm"), "TBX Responding 1 0");
    EXPECT_TRUE(Find("chkOut_3")->isEnabled());
  }
}

// --- Menus ---------------------------------------------------------------------------

TEST_F(PanelTest, MenusFollowKalAndCommVersion) {
  const struct {
    const char* command_line;
    bool extended;
    std::uint8_t comm_version;
    bool complex, event_log, buffers;
  } cases[] = {
      {"/kal", true, 0x10, false, false, true}, {"/kal", true, 0x11, true, false, true},
      {"/kal", true, 0x20, true, false, true},  {"/kal", true, 0x21, true, true, true},
      {"/kal", false, 0x21, true, false, true},  // never identified: start-up state
      {"", false, 0x21, true, false, false},
  };
  for (const auto& c : cases) {
    Reset();
    model_.Options().extended = c.extended;
    model_.Options().comm_version = c.comm_version;
    ASSERT_TRUE(Load(c.command_line));
    Tick();
    SCOPED_TRACE(testing::Message()
                 << c.command_line << " " << c.extended << " " << int(c.comm_version));
    EXPECT_EQ(State().identity.extended_unit, c.extended);
    EXPECT_EQ(Find<QAction>("mnuComplexOutputs")->isEnabled(), c.complex);
    EXPECT_EQ(Find<QAction>("mnuEventLog")->isEnabled(), c.event_log);
    EXPECT_EQ(Find<QMenu>("mnuBuffers")->menuAction()->isEnabled(), c.buffers);
    EXPECT_EQ(W().PanelText(2).isEmpty(), !c.extended);
    EXPECT_EQ(VisibleMenus().size(), *c.command_line ? 3 : 1);
    // Both status panels speak what they show.
    for (const char* name : {"sbStatusBar_Panel1", "sbStatusBar_Panel2"}) {
      auto* panel = Find<QLabel>(name);
      EXPECT_EQ(QAccessible::queryAccessibleInterface(panel)->text(QAccessible::Name),
                panel->text());
    }
  }
}

TEST_F(PanelTest, MenuHooksRunActionsAndKeepOneDialog) {
  ASSERT_TRUE(Load("/kal"));
  int made = 0;
  W().SetWindow(FeatureWindow::kInputFilters, [&made](QWidget* parent) {
    ++made;
    auto* dialog = new QDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
  });
  int flash_runs = 0;
  W().SetFlashToolAction([&flash_runs](int index) { flash_runs += index == 3; });
  Find<QAction>("mnuConfigureInputs")->trigger();
  Find<QAction>("mnuConfigureInputs")->trigger();  // the same window comes forward
  Find<QAction>("mnuFlashItem_3")->trigger();
  Find<QAction>("mnuInputTracking")->trigger();  // nothing hooked yet: no effect
  EXPECT_EQ(made, 1);
  EXPECT_EQ(flash_runs, 1);
  QWidget* dialog = W().WindowInstance(FeatureWindow::kInputFilters);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
  dialog->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Find<QAction>("mnuConfigureInputs")->trigger();  // closed and gone: made again
  EXPECT_EQ(made, 2);
}

TEST_F(PanelTest, AboutBoxShowsTheUnitOnceItIdentified) {
  ASSERT_TRUE(Load("/kal"));
  const auto about = [this] {
    Find<QAction>("mnuAbout")->trigger();
    auto* box = W().findChild<common::AboutBox*>("frmAbout");
    const QString text = box ? box->Text() : "no box";
    delete box;
    return text;
  };
  const QString head = AboutText(TesseraVersion(), UnitIdentity{});
  EXPECT_EQ(about(), head);
  Tick();  // the unit identifies: comm 2.3, firmware 23, revision 1.4
  EXPECT_EQ(about(), head +
                         "\r\nTBX Firmware Version = 23\r\nTBX Firmware Revision = 1.4"
                         "\r\nTBX Comm Version = 2.3");
}

// --- Re-entrancy and lifecycle ------------------------------------------------------------

TEST_F(PanelTest, TickWaitsOnlyWhileAMenuIsDroppedDown) {
  ASSERT_TRUE(Load());
  W().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&W()));
  W().activateWindow();
  QMenu* help = Find<QMenu>("mnuHelp");
  // A tap of Alt leaves the bar in keyboard mode with nothing on screen: polling goes on.
  QTest::keyClick(&W(), Qt::Key_Alt);
  EXPECT_EQ(Tick().value(0), "34 00 CB");
  QTest::keyClick(&W(), Qt::Key_H, Qt::AltModifier);
  ASSERT_TRUE(help->isVisible());
  EXPECT_TRUE(Tick().isEmpty());
  QTest::keyClick(help, Qt::Key_Escape);
  EXPECT_EQ(Tick().value(0), "34 00 CB");
  EXPECT_EQ(State().poll_count, 2u);
  W().hide();
}

TEST_F(PanelTest, ClosingStopsPollingAndClosesThePort) {
  ASSERT_TRUE(W().Load(""));
  W().show();
  auto* dialog = new QDialog(&W());
  dialog->show();
  W().close();
  EXPECT_FALSE(PollTimer()->isActive());
  EXPECT_FALSE(port_->IsOpen());
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(Tick().isEmpty());
}

}  // namespace
}  // namespace tessera::panel
