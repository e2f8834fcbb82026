// frmEventLog driven as a technician does, against the simulated unit: each read
// decoded below the earlier ones, the buttons while a read runs, answers that are not
// a log, clearing the unit and the window, and hiding instead of closing.
#include "tessera/windows/event_log_window.h"

#include <QAccessible>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include "tessera/link/unit_link.h"
#include "tessera/session/log_routines.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/log_view.h"

namespace tessera::logs {
namespace {

using panel::FeatureWindow;
using panel::testing::WindowTest;

constexpr char kUnsaved[] = "Diagnostic Event Log (unsaved)";

class EventLogWindowTest : public WindowTest {
 protected:
  EventLogWindowTest() {
    device_.EventLog().records = {{1, 2, 0, 0x1234}};
    device_.EventLog().mc = 0x1240;
  }
  EventLogWindow* Window() { return Open<EventLogWindow>(FeatureWindow::kEventLog); }
  // "Get Log", the tick, and the text on screen.
  QStringList GetLog(EventLogWindow* window) {
    Click(window, "cmdGetLog");
    const QStringList sent = TickRequests();
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->View()->CatchingUp(); }, 5000));
    return sent;
  }
  // What the screen reader reads out of the text box.
  QString Spoken(EventLogWindow* window) {
    QAccessibleTextInterface* text =
        QAccessible::queryAccessibleInterface(window->View())->textInterface();
    return text ? text->text(0, text->characterCount()) : "no text interface";
  }
  QString Lf(const std::string& text) { return QString::fromStdString(text).remove('\r'); }
  QList<bool> Enabled(EventLogWindow* window) {
    QList<bool> enabled;
    for (const char* name : {"cmdGetLog", "cmdClearBuffer", "cmdClearLog", "cmdSave"}) {
      enabled << Find(window, name)->isEnabled();
    }
    return enabled;
  }
};

TEST_F(EventLogWindowTest, ReadsAppendAfterABlankLineAndTheNewestComesIntoView) {
  EventLogWindow* window = Window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), kUnsaved);
  EXPECT_EQ(GetLog(window), QStringList{"7F 0D 00 73"});
  EXPECT_EQ(window->Text(),
            "> Log Read (1 events) at MC=0x00001240\r\n"
            "Reboot, NReset Active, MC=0x00001234\r\n");
  device_.EventLog().records.clear();
  GetLog(window);
  device_.EventLog().records = sim::GeneratedEventRecords(400);
  GetLog(window);
  const std::string& text = window->Text();
  EXPECT_TRUE(
      text.starts_with("> Log Read (1 events) at MC=0x00001240\r\n"
                       "Reboot, NReset Active, MC=0x00001234\r\n\r\n"
                       "> Log Read (0 events) at MC=0x00001240\r\n  No Items\r\n\r\n"
                       "> Log Read (400 events) at MC=0x00001240\r\n"))
      << text.substr(0, 200);
  // What is on screen, and what a screen reader reads, is that text.
  const QString shown = window->View()->toPlainText();
  EXPECT_EQ(shown, Lf(text));
  EXPECT_EQ(Spoken(window), shown);
  // The caret sits on the newest header, and that line is in view.
  EXPECT_EQ(window->View()->textCursor().position(), shown.lastIndexOf('>'));
  const QRect caret = window->View()->cursorRect();
  EXPECT_TRUE(window->View()->viewport()->rect().contains(caret.center()));
  EXPECT_GT(window->View()->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(EventLogWindowTest, ButtonsRestWhileTheUnitIsAsked) {
  EventLogWindow* window = Window();
  QList<QList<bool>> during;
  QObject::connect(&app_->Logs(), &LogRoutines::ReadEventsStarted, window,
                   [&] { during << Enabled(window); });
  QObject::connect(&app_->Logs(), &LogRoutines::ClearEventsStarted, window,
                   [&] { during << Enabled(window); });
  // The read says how far it is, in records of the count its header gave.
  device_.EventLog().records = sim::GeneratedEventRecords(300);
  auto* bar = window->findChild<QProgressBar*>("prgReadLog");
  ASSERT_NE(bar, nullptr);
  QStringList progress;
  QObject::connect(&app_->Logs(), &LogRoutines::ReadEventsProgress, window,
                   [&] { progress << QString("%1 %2").arg(bar->isVisible()).arg(bar->text()); });
  Click(window, "cmdGetLog");
  Click(window, "cmdClearLog");
  Tick();
  ASSERT_EQ(during.size(), 2);
  EXPECT_EQ(during[0], (QList<bool>{false, false, false, false}));  // reading
  EXPECT_EQ(during[1], (QList<bool>{false, false, true, true}));    // clearing
  EXPECT_EQ(Enabled(window), (QList<bool>{true, true, true, true}));
  EXPECT_EQ(progress, QStringList{"1 300 of 300 records"});
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(prompts_.max_busy_depth(), 1);  // the hourglass, and back
  EXPECT_EQ(prompts_.busy_depth(), 0);
}

TEST_F(EventLogWindowTest, AnswersThatAreNoLogAddNothing) {
  const common::Bytes no_marker = {0x7F, 0x0C, 0x00, 0x23, 0x23, 0x14, 0x00,
                                   0x00, 0x00, 0x00, 0x00, 0x12, 0x40};
  // A count of 32768: refused once the header is in, not after the 20 s time-out.
  const common::Bytes huge_count = {0x7F, 0x0D, 0x00, 0x23, 0x23, 0x14, 0x00, 0x00, 0x80};
  const struct {
    const char* what;
    std::optional<common::Bytes> answer;  // nullopt: the model's own answer, corrupted
  } cases[] = {{"checksum", std::nullopt}, {"no marker", no_marker}, {"count", huge_count}};
  EventLogWindow* window = Window();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.answer) {
      device_.Model().SetCommand(kCmdReadEvents, sim::FixedLength(4),
                                 [a = *c.answer](ByteView) { return std::optional(a); });
    } else {
      device_.Model().Options().corrupt_every = 1;
    }
    QElapsedTimer clock;
    clock.start();
    Click(window, "cmdGetLog");
    Tick();
    EXPECT_LT(clock.elapsed(), 3000);
    device_.Model().Options().corrupt_every = 0;
    EXPECT_EQ(window->Text(), "");
    EXPECT_EQ(window->View()->toPlainText(), "");
    EXPECT_EQ(Enabled(window), (QList<bool>{true, true, true, true}));
    EXPECT_TRUE(prompts_.shown().empty());
  }
  EXPECT_EQ(app_->Link().Counters().count_errors, 1u);
}

TEST_F(EventLogWindowTest, ClearTbxBufferAsksThenClearsTheUnitAndLeavesTheText) {
  EventLogWindow* window = Window();
  GetLog(window);
  const std::string before = window->Text();
  // The unit's log is gone for good: asked first, No by default, and No sends nothing.
  prompts_.QueueAnswer(common::Answer::kNo);
  Click(window, "cmdClearLog");
  EXPECT_EQ(TickRequests(), QStringList());
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& question = prompts_.shown()[0];
  EXPECT_EQ(std::tuple(question.text, question.buttons, question.default_answer, question.owner),
            std::tuple(QString("Erase the event log stored in TBX Address #5, 6 Pack Output "
                               "Assembly Position #1?"),
                       common::Buttons::kYesNo, std::optional(common::Answer::kNo),
                       static_cast<QObject*>(window)));
  prompts_.ClearShown();
  Click(window, "cmdClearLog");  // Yes
  EXPECT_EQ(TickRequests(), QStringList{"7E 0D 00 74"});
  ASSERT_EQ(prompts_.shown().size(), 2u);
  const common::Message& box = prompts_.shown()[1];
  EXPECT_EQ(std::tuple(box.title, box.text, box.buttons, box.icon),
            std::tuple(QString("Clear TBX Event Log"), QString("Event Log Cleared"),
                       common::Buttons::kOk, common::Icon::kNone));
  EXPECT_EQ(window->Text(), before);
  EXPECT_EQ(device_.EventLog().clears, 1);
  // A unit that does not confirm the clear shows nothing.
  prompts_.ClearShown();
  device_.Model().Options().silent = true;
  Click(window, "cmdClearLog");
  Tick();
  EXPECT_EQ(prompts_.shown().size(), 1u);  // the question only
}

TEST_F(EventLogWindowTest, ClearDisplayBufferAndClosingKeepWhatTheyShould) {
  EventLogWindow* window = Window();
  GetLog(window);
  const QString path = QDir::temp().filePath("tessera_event_log_window_test.txt");
  prompts_.QueueFile(path);
  Click(window, "cmdSave");
  EXPECT_EQ(window->windowTitle(), "Diagnostic Event Log (" + path + ")");
  QFile::remove(path);
  window->close();  // the close box hides: text, caption and window survive
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Window(), window);
  EXPECT_EQ(window->windowTitle(), "Diagnostic Event Log (" + path + ")");
  EXPECT_NE(window->Text(), "");
  Click(window, "cmdClearBuffer");
  EXPECT_EQ(window->Text(), "");
  EXPECT_EQ(window->View()->toPlainText(), "");
  EXPECT_EQ(window->windowTitle(), kUnsaved);
  EXPECT_EQ(TickRequests(), QStringList());  // nothing goes to the unit
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name), kUnsaved);
  EXPECT_EQ(Unnamed(window), QStringList());
}

}  // namespace
}  // namespace tessera::logs
