// Saving either log window through cmdSave: what the save dialog is asked, what the
// file holds, and what the caption says afterwards.
#include "tessera/windows/log_window.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tessera/testing/window_harness.h"
#include "tessera/windows/event_log_window.h"
#include "tessera/windows/log_view.h"
#include "tessera/windows/transition_window.h"

namespace tessera::logs {
namespace {

using panel::FeatureWindow;
using panel::testing::WindowTest;

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

TEST_F(LogWindowTest, TheSaveDialogStartsFromUntitledWithTheReportFilter) {
  for (const Kind& kind : kKinds) {
    LogWindow* window = Window(kind);
    Save(window, std::nullopt);
    Save(window, dir_.filePath("a.txt"));
    Save(window, std::nullopt);
    ASSERT_EQ(prompts_.saves.size(), 3u);
    for (const auto& save : prompts_.saves) {
      EXPECT_EQ(save.title, kind.dialog_title);
      EXPECT_EQ(save.suggested, "Untitled.txt");  // never the name of the last save
      EXPECT_EQ(save.filter, "Report Files (*.TXT);;All Files (*.*)");
    }
    prompts_.saves.clear();
  }
}

TEST_F(LogWindowTest, TheFileHoldsTheShownTextAndTheCaptionNamesIt) {
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.read_button);
    LogWindow* window = Window(kind);
    const QString unsaved = QString(kind.caption_base) + " (unsaved)";
    // Cancelled: nothing written, the caption stays.
    Save(window, std::nullopt);
    EXPECT_EQ(window->windowTitle(), unsaved);
    // An empty window saves as one CR LF.
    const QString empty = dir_.filePath(QString(kind.read_button) + "-empty.txt");
    Save(window, empty);
    EXPECT_EQ(Contents(empty), "\r\n");
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
    EXPECT_FALSE(expected.contains("\r\r"));
    EXPECT_EQ(window->windowTitle(), QString(kind.caption_base) + " (" + second + ")");
    EXPECT_TRUE(prompts_.shown().empty());
  }
}

TEST_F(LogWindowTest, AFailedSaveKeepsTheCaptionAndTheText) {
  for (const Kind& kind : kKinds) {
    LogWindow* window = Window(kind);
    Read(window, kind);
    const std::string text = window->Text();
    const QString path = dir_.filePath("no such folder/report.txt");
    Save(window, path);
    ASSERT_EQ(prompts_.shown().size(), 1u);
    EXPECT_EQ(prompts_.shown()[0].icon, common::Icon::kWarning);
    EXPECT_EQ(prompts_.shown()[0].owner, window);  // over the log window, not the main one
    EXPECT_EQ(window->windowTitle(), QString(kind.caption_base) + " (unsaved)");
    EXPECT_EQ(window->Text(), text);
    EXPECT_FALSE(QFile::exists(path));
    prompts_.ClearShown();
  }
}

}  // namespace
}  // namespace tessera::logs
