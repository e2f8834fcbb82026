// The Link Trace window as a technician uses it: records coming from the tap, the
// filters, pause and clear by mouse and keyboard, saving through the save dialog, and
// what a screen reader hears of the list and the counts.
#include "common/widgets/link_trace_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QBrush>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>

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

  QWidget* Find(const char* name) { return window_.findChild<QWidget*>(name); }
  void Click(const char* name) {
    QWidget* widget = Find(name);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
  }
  // Waits for the list to show `rows` rows (the batches come by timer).
  bool Shows(int rows) {
    return QTest::qWaitFor([&] { return window_.Model().rowCount() == rows; }, 2000);
  }
  static QString Heard(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
  }
  // What a screen reader reads of each row of the list, failures' description added.
  QStringList HeardRows() {
    QStringList heard;
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(Find("lstTrace"))->tableInterface();
    for (int row = 0; row < table->rowCount(); ++row) {
      QAccessibleInterface* cell = table->cellAt(row, 0);
      QString text = cell->text(QAccessible::Name).simplified();
      const QString description = cell->text(QAccessible::Description);
      if (!description.isEmpty()) text += " [" + description + "]";
      heard << text.remove(QRegularExpression("^[0-9.]+ ms "));  // the time varies
    }
    return heard;
  }

  LinkTap tap_;
  ScriptedPrompts prompts_;
  LinkTraceWindow window_;
};

TEST_F(LinkTraceWindowTest, TheListKeepsUpAndFiltersByMouseAndKeyboard) {
  EXPECT_EQ(Heard(Find("lblCount")), "0 records");
  Traffic();
  ASSERT_TRUE(Shows(7));
  EXPECT_EQ(HeardRows(), (QStringList{
                             "-> SendInputFrame sent 34 00 CB",
                             "<- SendInputFrame ok 34 00 01",
                             "-> SendRMSFrame sent 31 00 CE",
                             "<- SendRMSFrame FAIL time-out after 500 ms [failure]",
                             "-> ReadEvents sent 7F 0D 00 73",
                             "<- ReadEvents FAIL checksum error 7F 0D 00 23 [failure]",
                             "<- - FAIL dropped outside an exchange 00 00 [failure]",
                         }));
  // The box clicked with the mouse, or toggled with Space when `key`; rows, count.
  const std::tuple<const char*, bool, int, const char*> steps[] = {
      {"chkFailuresOnly", false, 3, "7 records, 3 shown"},
      {"chkHideRoutine", false, 3, "7 records, 3 shown"},
      {"chkFailuresOnly", true, 4, "7 records, 4 shown"},
      {"chkHideRoutine", true, 7, "7 records"}};
  for (const auto& [check, key, rows, count] : steps) {
    key ? QTest::keyClick(Find(check), Qt::Key_Space) : Click(check);
    EXPECT_EQ(window_.Model().rowCount(), rows) << check;
    EXPECT_EQ(Heard(Find("lblCount")), count) << check;
  }
  // A long answer is not elided: the column holds it whole and the list scrolls.
  tap_.Received({"SendKalRmsFrame", true}, Bytes(40, 0x23), TraceOutcome::kOk);
  ASSERT_TRUE(Shows(8));
  auto* list = static_cast<QTableView*>(Find("lstTrace"));
  const QString text = window_.Model().index(7).data().toString();
  EXPECT_GE(list->columnWidth(0), list->fontMetrics().horizontalAdvance(text));
  EXPECT_TRUE(QTest::qWaitFor([&] { return list->horizontalScrollBar()->maximum() > 0; }, 1000));
}

TEST_F(LinkTraceWindowTest, PauseHoldsTheListAndResumeCatchesUp) {
  Traffic();
  ASSERT_TRUE(Shows(7));
  QWidget* pause = Find("cmdPause");
  Click("cmdPause");
  EXPECT_EQ(Heard(pause), "Resume");
  Traffic();
  QTest::qWait(TraceModel::kUpdateIntervalMs + 100);
  EXPECT_EQ(window_.Model().rowCount(), 7);
  EXPECT_EQ(Heard(Find("lblCount")), "Paused: 7 new waiting; 7 records");
  // Alt+R while the button reads "Resume"; a mnemonic's click comes a moment later.
  QTest::keyClick(&window_, Qt::Key_R, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Heard(pause) == "Pause"; }, 1000));
  EXPECT_EQ(window_.Model().rowCount(), 14);
  Click("cmdClear");
  EXPECT_EQ(window_.Model().rowCount(), 0);
  EXPECT_EQ(Heard(Find("lblCount")), "0 records");
}

// The file holds every record, filtered out or waiting behind a pause alike.
TEST_F(LinkTraceWindowTest, SaveAsWritesEveryRecordOneLineEach) {
  QTemporaryDir dir;
  Traffic();
  ASSERT_TRUE(Shows(7));
  Click("chkFailuresOnly");
  Click("cmdPause");
  Traffic();
  prompts_.QueueFile(std::nullopt);  // cancelled: nothing written, nothing said
  Click("cmdSaveAs");
  EXPECT_TRUE(Heard(Find("lblSaved")).isEmpty());

  const QString path = dir.filePath("field run.txt");
  prompts_.QueueFile(path);
  Click("cmdSaveAs");
  QFile file(path);
  const QStringList lines =
      QString::fromLatin1(file.open(QIODevice::ReadOnly) ? file.readAll() : "").split("\r\n");
  ASSERT_EQ(lines.size(), 15) << "14 lines, each ended by CR LF";
  EXPECT_TRUE(lines[3].endsWith(" ms  <-  SendRMSFrame      FAIL time-out after 500 ms"));
  EXPECT_TRUE(lines[13].endsWith("FAIL dropped outside an exchange  00 00"));
  EXPECT_EQ(Heard(Find("lblSaved")), "Saved 14 records to " + path);
  EXPECT_TRUE(prompts_.shown().empty());

  // A file that cannot be made: the system's reason in a box, nothing left behind.
  const QString bad = dir.filePath("no such folder/trace.txt");
  prompts_.QueueFile(bad);
  Click("cmdSaveAs");
  ASSERT_EQ(prompts_.shown().size(), 1u);
  EXPECT_EQ(prompts_.shown()[0].icon, Icon::kWarning);
  EXPECT_FALSE(QFile::exists(bad));
  EXPECT_EQ(Heard(Find("lblSaved")), "Saved 14 records to " + path);
}

// A record as a link makes it: sent when `hex` is routine traffic, or the outcome given.
TraceRecord Rec(const char* name, TraceOutcome outcome, bool routine = true) {
  TraceRecord r;
  r.direction =
      outcome == TraceOutcome::kSent ? TraceDirection::kToDevice : TraceDirection::kFromDevice;
  r.outcome = outcome;
  r.name = name;
  r.routine = routine;
  r.bytes = testing::B("34 00");
  return r;
}

QStringList Rows(const TraceModel& model) {
  QStringList rows;
  for (int i = 0; i < model.rowCount(); ++i) {
    const TraceRecord* r = model.RecordAt(i);
    rows << QString::fromStdString(r->name + " " + OutcomeText(*r));
  }
  return rows;
}

void Feed(TraceModel& model, std::initializer_list<TraceRecord> records) {
  for (const TraceRecord& r : records) model.OnTrace(r);
  model.Update();
}

TEST(TraceModelTest, TheOldestRowsGoWhenTheBoundIsReached) {
  TraceModel model(nullptr, 4);
  QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  Feed(model, {Rec("A", TraceOutcome::kSent), Rec("A", TraceOutcome::kOk),
               Rec("B", TraceOutcome::kTimeout), Rec("C", TraceOutcome::kSent, false),
               Rec("C", TraceOutcome::kOk, false), Rec("D", TraceOutcome::kDropped)});
  EXPECT_EQ(Rows(model), (QStringList{"B FAIL time-out after 0 ms", "C sent", "C ok",
                                      "D FAIL dropped outside an exchange"}));
  EXPECT_EQ(model.Evicted(), 2u);
  // Full: two come, two go. The rows move up in place; none is cut from the top.
  Feed(model, {Rec("E", TraceOutcome::kSent), Rec("E", TraceOutcome::kOk)});
  EXPECT_EQ(Rows(model),
            (QStringList{"C ok", "D FAIL dropped outside an exchange", "E sent", "E ok"}));
  ASSERT_EQ(std::tuple(removed.count(), inserted.count(), changed.count()), std::tuple(0, 1, 1));
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 3);
  EXPECT_EQ(model.RecordAt(4), nullptr);

  // Failures only: a new failure pushes out a hidden row, then two routine records
  // push out a shown one: the rows move up and the list loses its last row.
  model.SetFilter({.failures_only = true});
  Feed(model, {Rec("F", TraceOutcome::kChecksumError)});
  ASSERT_EQ(Rows(model),
            (QStringList{"D FAIL dropped outside an exchange", "F FAIL checksum error"}));
  Feed(model, {Rec("G", TraceOutcome::kSent), Rec("G", TraceOutcome::kOk)});
  EXPECT_EQ(Rows(model), (QStringList{"F FAIL checksum error"}));
  ASSERT_EQ(removed.count(), 1);
  EXPECT_EQ(removed[0][1].toInt(), 1);
  EXPECT_EQ(removed[0][2].toInt(), 1);
}

TEST(TraceModelTest, FailuresStandOutInColour) {
  TraceModel model;
  Feed(model, {Rec("A", TraceOutcome::kOk), Rec("B", TraceOutcome::kTimeout)});
  for (int row : {0, 1}) {
    const QModelIndex index = model.index(row);
    EXPECT_EQ(index.data(Qt::ForegroundRole).value<QBrush>().color(),
              row == 1 ? QColor(150, 0, 0) : QColor(Qt::black));
    EXPECT_EQ(index.data(Qt::BackgroundRole).isValid(), row == 1);
  }
}

}  // namespace
}  // namespace common
