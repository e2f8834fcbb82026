#include "common/trace_model.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QSignalSpy>
#include <QTest>

#include "common/testing/hex.h"
#include "common/testing/time_zone.h"

namespace common {
namespace {

using testing::B;

constexpr std::int64_t kWall = 1736254987123456;  // 2025-01-07 13:03:07.123456 UTC

// A record as a link makes it; `ms` after the start of the trace.
TraceRecord Rec(int ms, TraceDirection direction, TraceOutcome outcome, const char* name,
                bool routine, const char* hex = "") {
  TraceRecord r;
  r.elapsed_us = ms * 1000LL;
  r.wall_us = kWall + r.elapsed_us;
  r.direction = direction;
  r.outcome = outcome;
  r.name = name;
  r.routine = routine;
  r.bytes = B(hex);
  if (outcome == TraceOutcome::kTimeout) r.value = 500;
  return r;
}

constexpr auto kTo = TraceDirection::kToDevice;
constexpr auto kFrom = TraceDirection::kFromDevice;

// An exchange of the poll, a silent status, an event-log read and a stray byte.
std::vector<TraceRecord> SomeTraffic() {
  return {
      Rec(0, kTo, TraceOutcome::kSent, "SendInputFrame", true, "34 00 CB"),
      Rec(9, kFrom, TraceOutcome::kOk, "SendInputFrame", true, "34 00"),
      Rec(10, kTo, TraceOutcome::kSent, "SendRMSFrame", true, "31 00 CE"),
      Rec(510, kFrom, TraceOutcome::kTimeout, "SendRMSFrame", true),
      Rec(600, kTo, TraceOutcome::kSent, "ReadEvents", false, "7F 0D 00 73"),
      Rec(650, kFrom, TraceOutcome::kOk, "ReadEvents", false, "7F 0D 00"),
      Rec(700, kFrom, TraceOutcome::kDropped, "", false, "55"),
  };
}

// "name outcome" of every row, the way a reader skims the list.
QStringList Rows(const TraceModel& model) {
  QStringList rows;
  for (int i = 0; i < model.rowCount(); ++i) {
    const TraceRecord* r = model.RecordAt(i);
    rows << QString::fromStdString((r->name.empty() ? "-" : r->name) + " " + OutcomeText(*r));
  }
  return rows;
}

void Feed(TraceModel& model, const std::vector<TraceRecord>& records) {
  for (const TraceRecord& r : records) model.OnTrace(r);
}

TEST(TraceModelTest, RecordsReachTheListInOneBatch) {
  TraceModel model;
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  Feed(model, SomeTraffic());
  EXPECT_EQ(model.rowCount(), 0);  // nothing yet: the batch waits for the timer
  EXPECT_EQ(model.Waiting(), 7u);
  EXPECT_TRUE(QTest::qWaitFor([&] { return model.rowCount() == 7; }, 2000));
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_EQ(model.Waiting(), 0u);
  EXPECT_EQ(model.Kept(), 7u);
  EXPECT_EQ(model.index(3).data().toString().toStdString(),
            "     510.000 ms  <-  SendRMSFrame      FAIL time-out after 500 ms");
}

TEST(TraceModelTest, Filters) {
  struct Case {
    TraceModel::Filter filter;
    QStringList rows;
  };
  const QStringList all = {"SendInputFrame sent",
                           "SendInputFrame ok",
                           "SendRMSFrame sent",
                           "SendRMSFrame FAIL time-out after 500 ms",
                           "ReadEvents sent",
                           "ReadEvents ok",
                           "- FAIL dropped outside an exchange"};
  const QStringList failures = {"SendRMSFrame FAIL time-out after 500 ms",
                                "- FAIL dropped outside an exchange"};
  for (const Case& c : {
           Case{{}, all},
           Case{{.failures_only = true}, failures},
           // The poll's failures still show when its routine is hidden.
           Case{{.hide_routine = true},
                {"SendRMSFrame FAIL time-out after 500 ms", "ReadEvents sent", "ReadEvents ok",
                 "- FAIL dropped outside an exchange"}},
           Case{{.failures_only = true, .hide_routine = true}, failures},
       }) {
    TraceModel model;
    Feed(model, SomeTraffic());
    model.Update();
    model.SetFilter(c.filter);
    EXPECT_EQ(Rows(model), c.rows);
    // Records that come later are filtered the same way.
    Feed(model, {Rec(800, kTo, TraceOutcome::kSent, "SendInputFrame", true, "34 00 CB"),
                 Rec(801, kFrom, TraceOutcome::kChecksumError, "SendInputFrame", true, "34")});
    model.Update();
    QStringList more = c.rows;
    if (!c.filter.failures_only && !c.filter.hide_routine) more << "SendInputFrame sent";
    more << "SendInputFrame FAIL checksum error";
    EXPECT_EQ(Rows(model), more);
    EXPECT_EQ(model.Kept(), 9u);
    model.SetFilter({});
    EXPECT_EQ(model.rowCount(), 9);
  }
}

TEST(TraceModelTest, TheOldestRowsGoWhenTheBoundIsReached) {
  TraceModel model(nullptr, 4);
  QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  Feed(model, SomeTraffic());  // 7 into room for 4
  model.Update();
  EXPECT_EQ(Rows(model), (QStringList{"SendRMSFrame FAIL time-out after 500 ms", "ReadEvents sent",
                                      "ReadEvents ok", "- FAIL dropped outside an exchange"}));
  EXPECT_EQ(model.Evicted(), 3u);
  ASSERT_EQ(inserted.count(), 1);
  // Full: two come, two go. The rows move up in place; none is cut from the top.
  Feed(model, {Rec(900, kTo, TraceOutcome::kSent, "SendInputFrame", true, "34 00 CB"),
               Rec(905, kFrom, TraceOutcome::kOk, "SendInputFrame", true, "34 00")});
  model.Update();
  EXPECT_EQ(Rows(model), (QStringList{"ReadEvents ok", "- FAIL dropped outside an exchange",
                                      "SendInputFrame sent", "SendInputFrame ok"}));
  EXPECT_EQ(model.Evicted(), 5u);
  EXPECT_EQ(removed.count(), 0);
  EXPECT_EQ(inserted.count(), 1);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 3);
  EXPECT_EQ(model.RecordAt(4), nullptr);
  EXPECT_FALSE(model.index(4).data().isValid());

  // Failures only: three failures shown, then two routine records push two of the
  // kept ones out (one of them shown): the list loses its last row.
  model.SetFilter({.failures_only = true});
  Feed(model, {Rec(910, kFrom, TraceOutcome::kChecksumError, "SendInputFrame", true, "34")});
  model.Update();
  ASSERT_EQ(Rows(model), (QStringList{"- FAIL dropped outside an exchange",
                                      "SendInputFrame FAIL checksum error"}));
  Feed(model, {Rec(920, kTo, TraceOutcome::kSent, "SendInputFrame", true, "34 00 CB"),
               Rec(925, kFrom, TraceOutcome::kOk, "SendInputFrame", true, "34 00")});
  model.Update();
  EXPECT_EQ(Rows(model), (QStringList{"SendInputFrame FAIL checksum error"}));
  ASSERT_EQ(removed.count(), 1);
  EXPECT_EQ(removed[0][1].toInt(), 1);
  EXPECT_EQ(removed[0][2].toInt(), 1);
}

TEST(TraceModelTest, PausedTheListHoldsStillAndNothingIsLost) {
  TraceModel model;
  Feed(model, SomeTraffic());
  model.Update();
  model.SetPaused(true);
  Feed(model, {Rec(900, kTo, TraceOutcome::kSent, "GetFilters", false, "7D 0D 00 75"),
               Rec(905, kFrom, TraceOutcome::kOk, "GetFilters", false, "7D")});
  model.Update();  // paused: the timer would do nothing either
  QTest::qWait(TraceModel::kUpdateIntervalMs + 100);
  EXPECT_EQ(model.rowCount(), 7);
  EXPECT_EQ(model.Waiting(), 2u);
  model.SetPaused(false);
  EXPECT_EQ(model.rowCount(), 9);
  EXPECT_EQ(model.Waiting(), 0u);
  EXPECT_EQ(Rows(model).last(), "GetFilters ok");
}

TEST(TraceModelTest, ClearForgetsShownAndWaiting) {
  TraceModel model(nullptr, 4);
  Feed(model, SomeTraffic());
  model.Update();
  model.SetPaused(true);
  Feed(model, SomeTraffic());
  model.Clear();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.Kept(), 0u);
  EXPECT_EQ(model.Waiting(), 0u);
  EXPECT_EQ(model.Evicted(), 0u);
  EXPECT_EQ(model.FileText(), "");
}

TEST(TraceModelTest, FailuresStandOutInColourAndInWords) {
  TraceModel model;
  Feed(model, SomeTraffic());
  model.Update();
  struct Case {
    int row;
    bool failure;
  };
  for (const Case& c : {Case{0, false}, Case{1, false}, Case{3, true}, Case{6, true}}) {
    const QModelIndex index = model.index(c.row);
    EXPECT_EQ(index.data(Qt::DisplayRole).toString().contains("FAIL"), c.failure) << c.row;
    EXPECT_EQ(index.data(Qt::AccessibleDescriptionRole).toString(), c.failure ? "failure" : "")
        << c.row;
    EXPECT_EQ(index.data(Qt::AccessibleTextRole), index.data(Qt::DisplayRole)) << c.row;
    const QVariant text = index.data(Qt::ForegroundRole);
    EXPECT_EQ(text.isValid(), c.failure) << c.row;
    if (c.failure) {
      EXPECT_EQ(text.value<QBrush>().color(), QColor(150, 0, 0));
    }
    EXPECT_EQ(index.data(Qt::BackgroundRole).isValid(), c.failure) << c.row;
  }
}

TEST(TraceModelTest, TheFileHoldsEveryRecordWhateverTheFilter) {
  const testing::TimeZoneScope utc("UTC0");
  TraceModel model;
  Feed(model, SomeTraffic());
  model.Update();
  model.SetFilter({.failures_only = true});
  model.SetPaused(true);
  Feed(model, {Rec(900, kTo, TraceOutcome::kSent, "GetFilters", false, "7D 0D 00 75")});
  const std::string text = model.FileText();
  EXPECT_EQ(
      text,
      "2025-01-07 13:03:07.123 +0000        0.000 ms  ->  SendInputFrame    sent  34 00 CB\r\n"
      "2025-01-07 13:03:07.132 +0000        9.000 ms  <-  SendInputFrame    ok  34 00\r\n"
      "2025-01-07 13:03:07.133 +0000       10.000 ms  ->  SendRMSFrame      sent  31 00 CE\r\n"
      "2025-01-07 13:03:07.633 +0000      510.000 ms  <-  SendRMSFrame      "
      "FAIL time-out after 500 ms\r\n"
      "2025-01-07 13:03:07.723 +0000      600.000 ms  ->  ReadEvents        sent  "
      "7F 0D 00 73\r\n"
      "2025-01-07 13:03:07.773 +0000      650.000 ms  <-  ReadEvents        ok  7F 0D 00\r\n"
      "2025-01-07 13:03:07.823 +0000      700.000 ms  <-  -                 "
      "FAIL dropped outside an exchange  55\r\n"
      "2025-01-07 13:03:08.023 +0000      900.000 ms  ->  GetFilters        sent  "
      "7D 0D 00 75\r\n");
}

}  // namespace
}  // namespace common
