#include "tessera/windows/main_window.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>

#include "common/widgets/indicator.h"
#include "tessera/core/requests.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/about_text.h"
#include "tessera/windows/channel_frame.h"

namespace tessera::panel {
namespace {

class PanelTest : public testing::WindowTest {
 protected:
  MainWindow& W() { return *window_; }
  QTimer* PollTimer() { return app_->session().Loop().Timer(); }
  bool Shown(const QString& name) { return !Find(name)->isHidden(); }
  // A status line as shown: "<label> <shape shown> <picture shown>".
  QString Status(const char* label, const char* shape, const char* picture) {
    return QString("%1 %2 %3")
        .arg(Find<QLabel>(label)->text())
        .arg(Shown(shape))
        .arg(Shown(picture));
  }
  // Input answers carry these bytes 0-6 (the unit's outputs loop back), then the optos
  // and the address.
  void ScriptInputs(std::array<std::uint8_t, 16> points, int optos, int address) {
    device_->Model().Receive(OutputRequest(points));
    device_->Model().Options().opto_inputs = static_cast<std::uint8_t>(optos);
    device_->Model().Options().unit_address = address;
  }
  QStringList VisibleMenus() {
    QStringList menus;
    for (QAction* action : W().menuBar()->actions())
      if (action->isVisible()) menus << action->text();
    return menus;
  }
};

// --- Start-up ------------------------------------------------------------------------

TEST_F(PanelTest, StartUpResetsTheWindowOpensThePortNamesEveryControlOrEndsTheProgram) {
  // A window left in any state by an earlier run is reset by Load.
  Make();
  Find<QAbstractButton>("btnInputControl_1")->setChecked(true);
  Find<QCheckBox>("chkOut_4")->setChecked(true);
  ASSERT_TRUE(W().Load("x/comm=3y /kal"));
  EXPECT_TRUE(PollTimer()->isActive());
  PollTimer()->stop();
  EXPECT_TRUE(port_->IsOpen());
  EXPECT_EQ(W().PanelText(1) + "|" + W().PanelText(2), "EIA-232 Port = 3|");
  EXPECT_EQ(VisibleMenus(), QStringList({"&Configure TBX", "&Buffers", "&Help"}));
  EXPECT_TRUE(Find<QAbstractButton>("btnInputControl_0")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("chkOut_4")->isChecked());
  EXPECT_FALSE(Shown("shpCommStatus") || Shown("pgbProgress") || Shown("lblReflashProgress"));
  EXPECT_TRUE(prompts_.shown().empty());
  // What a screen reader gets; each point's box and lamp in its channel's frame.
  EXPECT_EQ(Find("shpIn_5")->accessibleName(), "I/O #05 input");
  EXPECT_EQ(Find("chkOut_7")->parentWidget(), Find("fraChannel_2"));
  EXPECT_EQ(Find("shpIn_7")->parentWidget(), Find("fraChannel_2"));
  EXPECT_EQ(Unnamed(&W()), QStringList());
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(Find("sbStatusBar_Panel1"))->text(QAccessible::Name),
      "EIA-232 Port = 3");
  Make();
  port_->SetOpenFailure("Port unavailable");
  EXPECT_FALSE(Load("/comm=4 /kal"));  // the box is the session's
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = 4");
  EXPECT_FALSE(PollTimer()->isActive());
  // "/sim": the built-in unit, marked in the caption and the first panel.
  Make({}, true);
  ASSERT_TRUE(Load("/comm=2"));
  EXPECT_EQ(W().PanelText(1), "EIA-232 Port = Simulated");
  Tick();
  EXPECT_EQ(W().windowTitle(),
            "TBX Address #5, 6 Pack Output Assembly Position #1 [Simulated unit]");
}

// --- Controls ------------------------------------------------------------------------

// Clicks add to each other; and at the keyboard, Tab walks into each control group on
// its checked button, so a stray Space never hands the outputs to the front panel.
TEST_F(PanelTest, ClicksAndKeysSetTheInputRequestTicksWaitForAMenuAndClosingStops) {
  const std::pair<const char*, const char*> clicks[] = {{"btnInputControl_1", "35 00 CA"},
                                                        {"btnTransControl_0", "35 02 C8"},
                                                        {"chkZcrossDisable", "35 06 C4"},
                                                        {"btnInputControl_0", "34 06 C5"},
                                                        {"btnTransControl_1", "34 04 C7"}};
  for (const auto& [click, request] : clicks) {
    Click(click);
    EXPECT_EQ(Tick().value(0), request) << click;
  }
  Click("chkZcrossDisable");
  W().show();
  W().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
  Find("btnInputControl_0")->setFocus();
  // Each key, then the control that has the focus, checked.
  const std::pair<Qt::Key, const char*> keys[] = {{Qt::Key_Tab, "btnOutputControl_1"},
                                                  {Qt::Key_Space, "btnOutputControl_1"},
                                                  {Qt::Key_Tab, "btnTransControl_1"},
                                                  {Qt::Key_Up, "btnTransControl_0"}};
  for (const auto& [key, name] : keys) {
    QTest::keyClick(QApplication::focusWidget(), key);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), name);
    EXPECT_TRUE(Find<QRadioButton>(name)->isChecked()) << name;
  }
  EXPECT_EQ(Tick().value(0), "34 02 C9");
  QMenu* help = Find<QMenu>("mnuHelp");
  // A tap of Alt leaves the bar in keyboard mode with nothing on screen: polling goes on.
  QTest::keyClick(&W(), Qt::Key_Alt);
  EXPECT_EQ(Tick().value(0), "34 02 C9");
  QTest::keyClick(&W(), Qt::Key_H, Qt::AltModifier);
  ASSERT_TRUE(help->isVisible());
  EXPECT_TRUE(Tick().isEmpty());
  QTest::keyClick(help, Qt::Key_Escape);
  EXPECT_EQ(Tick().value(0), "34 02 C9");
  // Closing stops polling, closes the port and the dialogs.
  auto* dialog = new QDialog(&W());
  dialog->show();
  PollTimer()->start();
  W().close();
  EXPECT_FALSE(PollTimer()->isActive());
  EXPECT_FALSE(port_->IsOpen());
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(Tick().isEmpty());
}

TEST_F(PanelTest, OutputFrameOnlyForTheFrontPanelAndClearOutputs) {
  for (int i : {0, 17, 53, 54, 55}) Click(QString("chkOut_%1").arg(i));
  for (int tick = 0; tick < 11; ++tick)
    EXPECT_TRUE(Tick().filter(QRegularExpression("^37")).isEmpty());
  Click("btnOutputControl_0");
  EXPECT_EQ(Tick(),
            (QStringList{"34 01 CA", "37 01 00 02 00 00 00 E0 00 00 00 00 00 00 00 00 00 E5"}));
  Click("cmdClearAll");
  EXPECT_EQ(Tick().value(1), "37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8");
}

// --- What the answers show ------------------------------------------------------------

TEST_F(PanelTest, AnswersLightTheIndicatorsAndNoValidAnswerShowsNotResponding) {
  // The indicators a screen reader hears as "on".
  const auto lit = [this] {
    QStringList on;
    for (QWidget* shape : W().findChildren<Indicator*>(QRegularExpression("^shp(In|Opto)_")))
      if (shape->accessibleDescription() == "on") on << shape->objectName();
    on.sort();
    return on.join(' ');
  };
  ScriptInputs({0x21, 0, 0, 0, 0, 0, 0xC0}, 0x0F, 5);  // points 0, 5, 54; all optos
  Tick();
  EXPECT_EQ(lit(), "shpIn_0 shpIn_5 shpIn_54 shpOpto_0 shpOpto_1 shpOpto_2 shpOpto_3");
  ScriptInputs({0, 0, 0, 0, 0, 0, 0x80}, 0, 3);  // bit 7 of byte 6 has no point
  Tick();
  EXPECT_EQ(lit(), "");
  // Address 3: 14 pack, channels 14..27 in red, yellow, green.
  EXPECT_EQ(W().windowTitle(), "TBX Address #3, 14 Pack Output Assembly Position #3");
  auto* channel = Find<ChannelFrame>("fraChannel_13");
  EXPECT_EQ(std::pair(channel->Border(), channel->title()), std::pair(true, QString("Channel 27")));
  EXPECT_EQ(std::pair(Find<Indicator>("shpIn_41")->Colour(), Find<Indicator>("shpIn_42")->Colour()),
            std::pair(kGreen, kBlue));
  // The status is asked every tenth tick. (Back to "Line Sync Active": the fault runs.)
  device_->Model().Options().line_sync_error = true;
  for (int tick = 0; tick < 10; ++tick) Tick();
  EXPECT_EQ(Status("lblLineSync", "shpLineSync", "imgLineSyncStatus"), "Line Sync Error 0 1");
  EXPECT_EQ(Find("imgLineSyncStatus")->accessibleDescription(), "on");
  for (const QString fault : {"silent", "unplugged"}) {
    SCOPED_TRACE(fault.toStdString());
    Make();
    ASSERT_TRUE(Load("/kal"));
    Tick();
    device_->Model().Options().drop_every = fault == "silent";
    if (fault == "unplugged") port_->Unplug();
    // A gone port takes no request at all; the others got the input request only.
    EXPECT_EQ(Tick(), fault == "unplugged" ? QStringList{} : QStringList{"34 00 CB"});
    EXPECT_EQ(Status("lblComm", "shpCommStatus", "imgTBXComm"), "TBX Not Responding 0 1");
    EXPECT_FALSE(Find("chkOut_3")->isEnabled());
    EXPECT_TRUE(Find("cmdClearAll")->isEnabled());  // only the I/O frame goes grey
    EXPECT_EQ(W().PanelText(2), "");
    device_->Model().Options().drop_every = 0;
    if (fault == "unplugged") port_->Open();  // back (the real port reopens on a later write)
    Tick();
    EXPECT_EQ(Status("lblComm", "shpCommStatus", "imgTBXComm"), "TBX Responding 1 0");
    EXPECT_TRUE(Find("chkOut_3")->isEnabled());
  }
}

// --- Menus ---------------------------------------------------------------------------

TEST_F(PanelTest, MenusFollowKalAndCommVersion) {
  // Command line, extended unit, comm version; then Complex Outputs, Event Log and
  // Buffers enabled.
  const std::tuple<const char*, bool, int, QString> cases[] = {{"/kal", true, 0x10, "001"},
                                                               {"/kal", true, 0x11, "101"},
                                                               {"/kal", true, 0x20, "101"},
                                                               {"/kal", true, 0x21, "111"},
                                                               {"", false, 0x21, "100"}};
  for (const auto& [command_line, extended, comm_version, enabled] : cases) {
    SCOPED_TRACE(::testing::Message() << command_line << extended << comm_version);
    Make();
    device_->Model().Options().extended = extended;
    device_->Model().Options().comm_version = static_cast<std::uint8_t>(comm_version);
    ASSERT_TRUE(Load(command_line));
    Tick();
    EXPECT_EQ(QString("%1%2%3")
                  .arg(Find<QAction>("mnuComplexOutputs")->isEnabled())
                  .arg(Find<QAction>("mnuEventLog")->isEnabled())
                  .arg(Find<QMenu>("mnuBuffers")->menuAction()->isEnabled()),
              enabled);
    EXPECT_EQ(W().PanelText(2).isEmpty(), !extended);
    EXPECT_EQ(VisibleMenus().size(), *command_line ? 3 : 1);
  }
}

TEST(AboutText, ProgramVersionThenTheUnitsOnceItIdentified) {
  const QString head = "Tessera Version 1.0\r\nITS Cabinet Standard v01.02.17b\r\n";
  EXPECT_EQ(AboutText({1, 0, 0}, {.firmware_type = 0x23}), head);  // never identified
  // Nibbles are written in decimal.
  EXPECT_EQ(AboutText({1, 0, 0}, {.extended_unit = true,
                                  .comm_version = 0x1C,
                                  .firmware_type = 0xAB,
                                  .firmware_revision = 0xF0}),
            head +
                "\r\nTBX Firmware Version = 1011\r\nTBX Firmware Revision = 15.0\r\n"
                "TBX Comm Version = 1.12");
}

}  // namespace
}  // namespace tessera::panel
