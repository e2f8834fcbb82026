#include "common/widgets/trace_model.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QSignalSpy>

#include "common/testing/hex.h"

namespace common {
namespace {

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
  EXPECT_EQ(removed.count(), 0);
  EXPECT_EQ(inserted.count(), 1);
  ASSERT_EQ(changed.count(), 1);
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
