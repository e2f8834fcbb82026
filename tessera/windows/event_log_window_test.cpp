// frmEventLog driven as a technician does, against the simulated unit: each read
// decoded below the earlier ones, the buttons while a read runs, answers that are not
// a log, clearing the unit and the window, and hiding instead of closing.
#include "tessera/windows/event_log_window.h"

#include <QAccessible>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>

#include "tessera/link/unit_link.h"
#include "tessera/session/log_routines.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/log_view.h"
#include "tessera/windows/log_window.h"

namespace tessera::logs {
namespace {

using panel::FeatureWindow;
using panel::testing::WindowTest;

constexpr char kUnsaved[] = "Diagnostic Event Log (unsaved)";

class EventLogWindowTest : public WindowTest {
 protected:
  EventLogWindowTest() {
    device_->EventLog().records = {{1, 2, 0, 0x1234}};
    device_->EventLog().mc = 0x1240;
  }
  EventLogWindow* Window() { return Open<EventLogWindow>(FeatureWindow::kEventLog); }
  // "Get Log", the tick, and the text on screen.
  QStringList GetLog(EventLogWindow* window) {
    Click(window, "cmdGetLog");
    const QStringList sent = TickRequests();
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->View()->CatchingUp(); }, 5000));
    return sent;
  }
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
  EXPECT_EQ(GetLog(window), QStringList{"7F 0D 00 73"});
  EXPECT_EQ(window->Text(),
            "> Log Read (1 events) at MC=0x00001240\r\n"
            "Reboot, NReset Active, MC=0x00001234\r\n");
  device_->EventLog().records.clear();
  GetLog(window);
  device_->EventLog().records = sim::GeneratedEventRecords(400);
  GetLog(window);
  const std::string& text = window->Text();
  EXPECT_TRUE(
      text.starts_with("> Log Read (1 events) at MC=0x00001240\r\n"
                       "Reboot, NReset Active, MC=0x00001234\r\n\r\n"
                       "> Log Read (0 events) at MC=0x00001240\r\n  No Items\r\n\r\n"
                       "> Log Read (400 events)"))
      << text.substr(0, 200);
  // What is on screen, and what a screen reader reads, is that text.
  const QString shown = window->View()->toPlainText();
  EXPECT_EQ(shown, QString::fromStdString(text).remove('\r'));
  QAccessibleTextInterface* spoken =
      QAccessible::queryAccessibleInterface(window->View())->textInterface();
  EXPECT_EQ(spoken->text(0, spoken->characterCount()), shown);
  // The caret sits on the newest header, and that line is in view.
  EXPECT_EQ(window->View()->textCursor().position(), shown.lastIndexOf('>'));
  EXPECT_TRUE(window->View()->viewport()->rect().contains(window->View()->cursorRect().center()));
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
  device_->EventLog().records = sim::GeneratedEventRecords(300);
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
  // An answer the link refuses adds nothing, says nothing, and the buttons come back.
  const std::string before = window->Text();
  device_->Model().Options().corrupt_every = 1;
  GetLog(window);
  EXPECT_EQ(window->Text(), before);
  EXPECT_EQ(Enabled(window), (QList<bool>{true, true, true, true}));
  EXPECT_EQ(prompts_.shown().size(), 2u);  // the clear's question and its outcome only
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
  EXPECT_EQ(prompts_.shown()[0].default_answer, common::Answer::kNo);
  EXPECT_EQ(prompts_.shown()[0].owner, window);
  EXPECT_EQ(Shown(), QStringList{"Clear TBX Event Log: Erase the event log stored in TBX Address "
                                 "#5, 6 Pack Output Assembly Position #1?!"});
  Click(window, "cmdClearLog");  // Yes
  EXPECT_EQ(TickRequests(), QStringList{"7E 0D 00 74"});
  EXPECT_EQ(Shown().value(1), "Clear TBX Event Log: Event Log Cleared");
  EXPECT_EQ(window->Text(), before);
  EXPECT_EQ(device_->EventLog().clears, 1);
  // A unit that does not confirm the clear shows nothing.
  device_->Model().Options().silent = true;
  Click(window, "cmdClearLog");
  Tick();
  EXPECT_EQ(prompts_.shown().size(), 1u);  // the question only
}

TEST_F(EventLogWindowTest, ClearDisplayBufferAndClosingKeepWhatTheyShould) {
  EventLogWindow* window = Window();
  GetLog(window);
  QTemporaryDir dir;
  const QString path = dir.filePath("log.txt");
  prompts_.QueueFile(path);
  Click(window, "cmdSave");
  window->close();  // the close box hides: text, caption and window survive
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Window(), window);
  EXPECT_EQ(window->windowTitle(), "Diagnostic Event Log (" + path + ")");
  Click(window, "cmdClearBuffer");
  EXPECT_EQ(window->View()->toPlainText(), "");
  EXPECT_EQ(window->windowTitle(), kUnsaved);
  EXPECT_EQ(TickRequests(), QStringList());  // nothing goes to the unit
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window)->text(QAccessible::Name), kUnsaved);
  EXPECT_EQ(Unnamed(window), QStringList());
}

// --- Saving either log window -------------------------------------------------------

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class LogWindowTest : public WindowTest {
 protected:
  struct Kind {
    FeatureWindow window;
    const char* read_button;
    const char* dialog_title;
    const char* caption_base;
  };
  static constexpr Kind kKinds[] = {
      {FeatureWindow::kEventLog, "cmdGetLog", "Save Diagnostic Log As", "Diagnostic Event Log"},
      {FeatureWindow::kTransitionBuffer, "cmdGetBlock", "Save Transition Log As",
       "Transition Buffer Log"}};

  LogWindow* Window(const Kind& kind) { return Open<LogWindow>(kind.window); }
  void Read(LogWindow* window, const Kind& kind) {
    Click(window, kind.read_button);
    Tick();
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->View()->CatchingUp(); }, 5000));
  }
  void Save(LogWindow* window, std::optional<QString> path) {
    prompts_.QueueFile(std::move(path));
    Click(window, "cmdSave");
  }

  QTemporaryDir dir_;
};

TEST_F(LogWindowTest, TheFileHoldsTheShownTextAndTheCaptionNamesIt) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.read_button);
    LogWindow* window = Window(kind);
    const QString unsaved = QString(kind.caption_base) + " (unsaved)";
    Save(window, std::nullopt);  // cancelled: nothing written
    const QString empty = dir_.filePath(QString(kind.read_button) + "-empty.txt");
    Save(window, empty);
    EXPECT_EQ(window->windowTitle(), QString(kind.caption_base) + " (" + empty + ")");
    Read(window, kind);
    EXPECT_EQ(window->windowTitle(), unsaved);  // reading made it unsaved again
    Read(window, kind);
    // A name without extension is used as typed; a second save names only itself.
    const QString first = dir_.filePath(QString(kind.read_button) + "-first");
    const QString second = dir_.filePath(QString(kind.read_button) + "-second.log");
    Save(window, first);
    Save(window, second);
    const QByteArray expected = QByteArray::fromStdString(window->Text()) + "\r\n";
    EXPECT_EQ(Contents(first), expected);
    EXPECT_EQ(Contents(second), expected);
    EXPECT_TRUE(expected.contains("\r\n\r\n"));  // two reads, a blank line between
    EXPECT_TRUE(prompts_.shown().empty());
    // A failed save says so over the log window, and keeps the caption.
    Save(window, dir_.filePath("no such folder/report.txt"));
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].owner, window);
    EXPECT_EQ(prompts_.shown()[0].icon, common::Icon::kWarning);
    prompts_.ClearShown();
    EXPECT_EQ(window->windowTitle(), QString(kind.caption_base) + " (" + second + ")");
    // Every save dialog starts from Untitled with the report filter, never the last name.
    for (const auto& save : prompts_.saves) {
      EXPECT_EQ(QStringList({save.title, save.suggested, save.filter}),
                QStringList(
                    {kind.dialog_title, "Untitled.txt", "Report Files (*.TXT);;All Files (*.*)"}));
    }
    prompts_.saves.clear();
  }
}

}  // namespace
}  // namespace tessera::logs
