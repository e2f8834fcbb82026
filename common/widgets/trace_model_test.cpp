#include "common/widgets/trace_model.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QSignalSpy>

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
    model.SetFilter({});
    EXPECT_EQ(model.rowCount(), 7);
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

TEST(TraceModelTest, FailuresStandOutInColourAndInWords) {
  TraceModel model;
  Feed(model, SomeTraffic());
  model.Update();
  for (int row : {0, 1, 3, 6}) {
    const QModelIndex index = model.index(row);
    const bool failure = index.data().toString().contains("FAIL");
    EXPECT_EQ(failure, row == 3 || row == 6) << row;
    EXPECT_EQ(index.data(Qt::AccessibleDescriptionRole).toString(), failure ? "failure" : "");
    EXPECT_EQ(index.data(Qt::ForegroundRole).value<QBrush>().color(),
              failure ? QColor(150, 0, 0) : QColor(Qt::black));
    EXPECT_EQ(index.data(Qt::BackgroundRole).isValid(), failure) << row;
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
