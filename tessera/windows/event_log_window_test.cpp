// frmEventLog driven as a technician does, against the simulated unit: each read
// decoded below the earlier ones, the buttons while a read runs, answers that are not
// a log, clearing the unit and the window, and hiding instead of closing.
#include "tessera/windows/event_log_window.h"

#include <QAccessible>
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

using EventLogWindowTest = WindowTest;

TEST_F(EventLogWindowTest, ReadsAppendClearingAsksFirstAndButtonsRestWhileTheUnitIsAsked) {
  device_->EventLog().records = {{1, 2, 0, 0x1234}};
  device_->EventLog().mc = 0x1240;
  auto* window = Open<EventLogWindow>(FeatureWindow::kEventLog);
  const auto get_log = [&](EventLogWindow* w) { return Read(w, "cmdGetLog"); };
  // Get Log, Clear Display Buffer, Clear TBX Buffer, Save: 1 for enabled.
  const auto buttons_on = [&](EventLogWindow* w) {
    QString on;
    for (const char* name : {"cmdGetLog", "cmdClearBuffer", "cmdClearLog", "cmdSave"})
      on += Find(w, name)->isEnabled() ? '1' : '0';
    return on;
  };
  EXPECT_EQ(get_log(window), QStringList{"7F 0D 00 73"});
  device_->EventLog().records.clear();
  get_log(window);
  device_->EventLog().records = sim::GeneratedEventRecords(400);
  get_log(window);
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
  // Clear TBX Buffer asks first (No by default, and No sends nothing), then clears the
  // unit and leaves the text; the buttons rest while the unit is asked.
  get_log(window);
  const std::string before = window->Text();
  prompts_.QueueAnswer(common::Answer::kNo);
  Click(window, "cmdClearLog");
  EXPECT_EQ(TickRequests(), QStringList());
  EXPECT_EQ(std::pair(prompts_.shown().at(0).default_answer, prompts_.shown().at(0).owner),
            std::pair(std::optional(common::Answer::kNo), static_cast<QObject*>(window)));
  EXPECT_EQ(Shown(), QStringList{"Clear TBX Event Log: Erase the event log stored in TBX Address "
                                 "#5, 6 Pack Output Assembly Position #1?!"});
  Click(window, "cmdClearLog");  // Yes
  EXPECT_EQ(TickRequests(), QStringList{"7E 0D 00 74"});
  EXPECT_EQ(Shown().value(1), "Clear TBX Event Log: Event Log Cleared");
  EXPECT_EQ(window->Text(), before);
  EXPECT_EQ(device_->EventLog().clears, 1);
  // A unit that does not confirm the clear shows nothing but the question.
  device_->Model().Options().silent = true;
  Click(window, "cmdClearLog");
  Tick();
  EXPECT_EQ(Shown().size(), 1);
  device_->Model().Options().silent = false;
  QStringList during;
  for (auto started : {&LogRoutines::ReadEventsStarted, &LogRoutines::ClearEventsStarted}) {
    QObject::connect(&app_->Logs(), started, window, [&] { during << buttons_on(window); });
  }
  // The read says how far it is, in records of the count its header gave.
  device_->EventLog().records = sim::GeneratedEventRecords(300);
  auto* bar = Find<QProgressBar>(window, "prgReadLog");
  QStringList progress;
  QObject::connect(&app_->Logs(), &LogRoutines::ReadEventsProgress, window,
                   [&] { progress << QString("%1 %2").arg(bar->isVisible()).arg(bar->text()); });
  Click(window, "cmdGetLog");
  Click(window, "cmdClearLog");
  Tick();
  // Reading, then clearing.
  EXPECT_EQ(during, (QStringList{"0000", "0011"}));
  EXPECT_EQ(buttons_on(window), "1111");
  EXPECT_EQ(progress, QStringList{"1 300 of 300 records"});
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(std::pair(prompts_.max_busy_depth(), prompts_.busy_depth()), std::pair(1, 0));
  // An answer the link refuses adds nothing, says nothing, and the buttons come back.
  const std::string read = window->Text();
  device_->Model().Options().corrupt_every = 1;
  get_log(window);
  EXPECT_EQ(window->Text(), read);
  EXPECT_EQ(buttons_on(window), "1111");
  EXPECT_EQ(Shown().size(), 2);  // the clear's question and its outcome only
}

// --- Saving either log window -------------------------------------------------------

using LogWindowTest = WindowTest;

TEST_F(LogWindowTest, TheFileHoldsTheShownTextAndTheCaptionNamesIt) {
  QTemporaryDir dir;
  // The window, its read and clear-display buttons, its save dialog's title, its caption.
  const std::tuple<FeatureWindow, const char*, const char*, QString, QString> kinds[] = {
      {FeatureWindow::kEventLog, "cmdGetLog", "cmdClearBuffer", "Save Diagnostic Log As",
       "Diagnostic Event Log"},
      {FeatureWindow::kTransitionBuffer, "cmdGetBlock", "cmdClearLog", "Save Transition Log As",
       "Transition Buffer Log"}};
  for (const auto& [kind, read, clear_display, dialog_title, caption] : kinds) {
    SCOPED_TRACE(read);
    auto* window = Open<LogWindow>(kind);
    const auto save = [&](std::optional<QString> path) {
      prompts_.QueueFile(std::move(path));
      Click(window, "cmdSave");
    };
    save(std::nullopt);  // cancelled: nothing written
    const QString empty = dir.filePath(QString(read) + "-empty.txt");
    save(empty);
    EXPECT_EQ(window->windowTitle(), caption + " (" + empty + ")");
    Read(window, read);
    EXPECT_EQ(window->windowTitle(), caption + " (unsaved)");  // reading made it unsaved again
    Read(window, read);
    // A name without extension is used as typed; a second save names only itself.
    const QString first = dir.filePath(QString(read) + "-first");
    const QString second = dir.filePath(QString(read) + "-second.log");
    save(first);
    save(second);
    const QByteArray expected = QByteArray::fromStdString(window->Text()) + "\r\n";
    EXPECT_EQ(Contents(first) + Contents(second), expected + expected);
    EXPECT_TRUE(prompts_.shown().empty());
    // A failed save says so over the log window, and keeps the caption.
    save(dir.filePath("no such folder/report.txt"));
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(std::pair(prompts_.shown()[0].owner, prompts_.shown()[0].icon),
              std::pair(static_cast<QObject*>(window), common::Icon::kWarning));
    prompts_.ClearShown();
    // The close box only hides: text and caption survive.
    const std::string text = window->Text();
    window->close();
    EXPECT_EQ(Open<LogWindow>(kind), window);
    EXPECT_EQ(window->Text(), text);
    EXPECT_EQ(window->windowTitle(), caption + " (" + second + ")");
    // Clearing the display makes it unsaved and asks nothing of the unit.
    Click(window, clear_display);
    EXPECT_EQ(window->View()->toPlainText(), "");
    EXPECT_EQ(window->windowTitle(), caption + " (unsaved)");
    EXPECT_EQ(TickRequests(), QStringList());
    EXPECT_EQ(Unnamed(window), QStringList());
    // Every save dialog starts from Untitled with the report filter, never the last name.
    for (const auto& [title, suggested, filter] : std::exchange(prompts_.saves, {}))
      EXPECT_EQ(
          QStringList({title, suggested, filter}),
          QStringList({dialog_title, "Untitled.txt", "Report Files (*.TXT);;All Files (*.*)"}));
  }
}

}  // namespace
}  // namespace tessera::logs
