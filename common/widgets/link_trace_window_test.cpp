// The Link Trace window as a technician uses it: records coming from the tap, the
// filters, pause and clear by mouse and keyboard, saving through the save dialog, and
// what a screen reader hears of the list and the counts.
#include "common/widgets/link_trace_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "common/core/link_tap.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/widgets/trace_model.h"

namespace common {
namespace {

using testing::B;

class LinkTraceWindowTest : public ::testing::Test {
 protected:
  LinkTraceWindowTest() : window_(tap_, prompts_) {
    window_.show();
    window_.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  // What the links record for one poll with a silent status and a stray byte.
  void Traffic() {
    tap_.Sent({"SendInputFrame", true}, B("34 00 CB"));
    tap_.Received({"SendInputFrame", true}, B("34 00 01"), TraceOutcome::kOk);
    tap_.Sent({"SendRMSFrame", true}, B("31 00 CE"));
    tap_.Received({"SendRMSFrame", true}, {}, TraceOutcome::kTimeout, 500);
    tap_.Sent({"ReadEvents", false}, B("7F 0D 00 73"));
    tap_.Received({"ReadEvents", false}, B("7F 0D 00 23"), TraceOutcome::kChecksumError);
    tap_.Dropped(B("00 00"));
  }

  template <typename T = QWidget>
  T* Find(const char* name) {
    T* widget = window_.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* name) {
    QWidget* widget = Find(name);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
  }
  // Waits for the list to show `rows` rows (the batches come by timer).
  bool Shows(int rows) {
    return QTest::qWaitFor([&] { return window_.Model().rowCount() == rows; }, 2000);
  }
  // What a screen reader reads of each row of the list, failures' description added.
  QStringList Heard() {
    QStringList heard;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(Find("lstTrace"));
    QAccessibleTableInterface* table = list != nullptr ? list->tableInterface() : nullptr;
    EXPECT_NE(table, nullptr);
    for (int row = 0; table != nullptr && row < table->rowCount(); ++row) {
      QAccessibleInterface* cell = table->cellAt(row, 0);
      QString text = cell->text(QAccessible::Name).simplified();
      const QString description = cell->text(QAccessible::Description);
      if (!description.isEmpty()) text += " [" + description + "]";
      // The time changes from run to run; the rest is what it says.
      heard << text.remove(QRegularExpression("^[0-9.]+ ms "));
    }
    return heard;
  }
  QString CountHeard() {
    return QAccessible::queryAccessibleInterface(Find("lblCount"))->text(QAccessible::Name);
  }

  LinkTap tap_;
  ScriptedPrompts prompts_;
  LinkTraceWindow window_;
};

TEST_F(LinkTraceWindowTest, TheListKeepsUpAndFiltersByMouseAndKeyboard) {
  EXPECT_TRUE(tap_.Listening());
  EXPECT_EQ(CountHeard(), "0 records");
  Traffic();
  ASSERT_TRUE(Shows(7));
  EXPECT_EQ(Heard(), (QStringList{
                         "-> SendInputFrame sent 34 00 CB",
                         "<- SendInputFrame ok 34 00 01",
                         "-> SendRMSFrame sent 31 00 CE",
                         "<- SendRMSFrame FAIL time-out after 500 ms [failure]",
                         "-> ReadEvents sent 7F 0D 00 73",
                         "<- ReadEvents FAIL checksum error 7F 0D 00 23 [failure]",
                         "<- - FAIL dropped outside an exchange 00 00 [failure]",
                     }));
  EXPECT_EQ(CountHeard(), "7 records");
  struct Step {
    const char* check;  // clicked with the mouse, or toggled with Space when `key`
    bool key;
    int rows;
    const char* count;
  };
  for (const Step& s : {
           Step{"chkFailuresOnly", false, 3, "7 records, 3 shown"},
           Step{"chkHideRoutine", false, 3, "7 records, 3 shown"},
           Step{"chkFailuresOnly", true, 4, "7 records, 4 shown"},
           Step{"chkHideRoutine", true, 7, "7 records"},
       }) {
    if (s.key) {
      Find(s.check)->setFocus();
      QTest::keyClick(Find(s.check), Qt::Key_Space);
    } else {
      Click(s.check);
    }
    EXPECT_EQ(window_.Model().rowCount(), s.rows) << s.check;
    EXPECT_EQ(CountHeard(), s.count) << s.check;
  }
}

TEST_F(LinkTraceWindowTest, PauseHoldsTheListAndResumeCatchesUp) {
  Traffic();
  ASSERT_TRUE(Shows(7));
  auto* pause = Find<QPushButton>("cmdPause");
  Click("cmdPause");
  EXPECT_EQ(pause->text(), "&Resume");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(pause)->text(QAccessible::Name), "Resume");
  Traffic();
  QTest::qWait(TraceModel::kUpdateIntervalMs + 100);
  EXPECT_EQ(window_.Model().rowCount(), 7);
  EXPECT_EQ(CountHeard(), "Paused: 7 new waiting; 7 records");
  // The keyboard's way: Alt+R while the button reads "Resume".
  QTest::keyClick(&window_, Qt::Key_R, Qt::AltModifier);
  // A mnemonic presses the button visibly first: the click follows a moment later.
  EXPECT_TRUE(QTest::qWaitFor([&] { return pause->text() == "&Pause"; }, 1000));
  EXPECT_EQ(window_.Model().rowCount(), 14);
  EXPECT_EQ(CountHeard(), "14 records");
  Click("cmdClear");
  EXPECT_EQ(window_.Model().rowCount(), 0);
  EXPECT_EQ(CountHeard(), "0 records");
}

TEST_F(LinkTraceWindowTest, ALongAnswerIsShownWholeAndScrollsSideways) {
  Traffic();
  ASSERT_TRUE(Shows(7));
  tap_.Received({"SendKalRmsFrame", true}, Bytes(40, 0x23), TraceOutcome::kOk);
  ASSERT_TRUE(Shows(8));
  auto* list = Find<QTableView>("lstTrace");
  const QString text = window_.Model().data(window_.Model().index(7), Qt::DisplayRole).toString();
  ASSERT_TRUE(text.endsWith("23 23"));
  // Not elided: the column holds the whole text, and the list scrolls to reach it.
  EXPECT_GE(list->columnWidth(0), list->fontMetrics().horizontalAdvance(text));
  EXPECT_TRUE(QTest::qWaitFor([&] { return list->horizontalScrollBar()->maximum() > 0; }, 1000));
}

TEST_F(LinkTraceWindowTest, SaveAsWritesEveryRecordOneLineEach) {
  QTemporaryDir dir;
  Traffic();
  ASSERT_TRUE(Shows(7));
  Click("chkFailuresOnly");  // the file still gets all seven
  // Cancelled: nothing written, nothing said.
  prompts_.QueueFile(std::nullopt);
  Click("cmdSaveAs");
  EXPECT_TRUE(Find<QLabel>("lblSaved")->text().isEmpty());

  const QString path = dir.filePath("field run.txt");
  prompts_.QueueFile(path);
  Click("cmdSaveAs");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray content = file.readAll();
  ASSERT_TRUE(content.endsWith("\r\n"));
  QList<QByteArray> lines = content.split('\n');
  lines.removeLast();  // after the last line end
  const char* rests[] = {
      "->  SendInputFrame    sent  34 00 CB",
      "<-  SendInputFrame    ok  34 00 01",
      "->  SendRMSFrame      sent  31 00 CE",
      "<-  SendRMSFrame      FAIL time-out after 500 ms",
      "->  ReadEvents        sent  7F 0D 00 73",
      "<-  ReadEvents        FAIL checksum error  7F 0D 00 23",
      "<-  -                 FAIL dropped outside an exchange  00 00",
  };
  ASSERT_EQ(lines.size(), 7);
  const QRegularExpression stamp(
      "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [+-]\\d{4} +\\d+\\.\\d{3} ms  (.*)\r$");
  for (int i = 0; i < 7; ++i) {
    const QRegularExpressionMatch match = stamp.match(QString::fromLatin1(lines[i]));
    ASSERT_TRUE(match.hasMatch()) << lines[i].toStdString();
    EXPECT_EQ(match.captured(1), rests[i]);
  }
  const QString saved = "Saved 7 records to " + path;
  EXPECT_EQ(Find<QLabel>("lblSaved")->text(), saved);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Find("lblSaved"))->text(QAccessible::Name),
            saved);
  EXPECT_TRUE(prompts_.shown().empty());

  // A file that cannot be made: the system's reason in a box, nothing left behind.
  const QString bad = dir.filePath("no such folder/trace.txt");
  prompts_.QueueFile(bad);
  Click("cmdSaveAs");
  ASSERT_EQ(prompts_.shown().size(), 1u);
  EXPECT_EQ(prompts_.shown()[0].icon, Icon::kWarning);
  EXPECT_FALSE(prompts_.shown()[0].text.isEmpty());
  EXPECT_FALSE(QFile::exists(bad));
  EXPECT_EQ(Find<QLabel>("lblSaved")->text(), saved);
}

}  // namespace
}  // namespace common
