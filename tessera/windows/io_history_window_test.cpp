// Help, "&I/O History" with real events: the lanes that changed, the pointer's
// readout, Pause, and Save Data read back by a parser of the test's own.
#include "tessera/windows/io_history_window.h"

#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <ranges>
#include <set>

#include "common/testing/env_scope.h"
#include "tessera/session/io_recorder.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/io_timeline.h"

namespace tessera::panel {
namespace {

using Row = std::tuple<qint64, QString, QString>;  // time in ms, point, state

// time,point,state with CR LF after the header (the format is the core's tests').
std::vector<Row> ParseCsv(const QByteArray& text) {
  std::vector<Row> rows;
  for (const QString& line : QString::fromUtf8(text).split("\r\n").mid(1)) {
    const QStringList fields = line.split(',');
    if (fields.size() != 3) continue;
    rows.emplace_back(QDateTime::fromString(fields[0], Qt::ISODateWithMs).toMSecsSinceEpoch(),
                      fields[1], fields[2]);
  }
  return rows;
}

class IoHistoryWindowTest : public testing::WindowTest {
 protected:
  IoHistoryWindowTest() {
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_TRUE(common::testing::ChooseFromMenuBar(window_->menuBar(), Find<QMenu>("mnuHelp"),
                                                   window_->MenuItem(FeatureWindow::kIoHistory)));
    history_ = qobject_cast<IoHistoryWindow*>(window_->WindowInstance(FeatureWindow::kIoHistory));
    if (history_ == nullptr) return;
    history_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(history_));
    t0_ = history_->Recorder().History()[0].ms + 100;  // after the harness's first tick
    history_->Recorder().SetClock([this] { return t0_ + 100 * polls_++; });
    // 4 s of I/O #03 and Opto #2, 4 s dark, 4 s of silence, 4 s of I/O #03.
    Record(40, {3}, {1});
    Record(40, {}, {});
    Record(40, {}, {}, false);
    Record(40, {3}, {});
  }

  // `count` polls of the unit: lit points and optos, or no answer.
  void Record(int count, std::set<int> points, std::set<int> optos, bool answered = true) {
    InputLamps lamps;
    for (int p : points) lamps.points[p] = true;
    for (int o : optos) lamps.opto[o] = true;
    for (int i = 0; i < count; ++i)
      answered ? history_->Recorder().RecordAnswer(lamps) : history_->Recorder().RecordSilence();
  }
  // The pointer moved over the time, through the window system as a real one moves.
  QString PointAt(std::int64_t ms) {
    const QPoint at =
        history_->Timeline().viewport()->mapToGlobal(QPoint(history_->Timeline().XOf(ms), 4));
    QTest::mouseMove(history_->windowHandle(), history_->windowHandle()->mapFromGlobal(at));
    auto* label = Find<QLabel>(history_, "lblPointer");
    EXPECT_EQ(label->accessibleName(), label->text());
    return label->text();
  }
  std::int64_t Ms(int poll) const { return t0_ + 100 * poll; }

  IoHistoryWindow* history_ = nullptr;
  std::int64_t t0_ = 0;
  int polls_ = 0;
};

// The file's rows: the first poll in full, then every change.
TEST_F(IoHistoryWindowTest, SaveDataThenHidesUnchangedPointsReadsThePointerAndPauses) {
  ASSERT_NE(history_, nullptr);
  QTemporaryDir dir;
  const QString path = dir.filePath("history.csv");
  prompts_.QueueFile(path);
  {
    common::testing::TimeZoneScope zone("CET-1");  // times carry the local offset
    Click(history_, "cmdSaveData");
  }
  EXPECT_EQ(Shown(), QStringList());
  EXPECT_TRUE(Contents(path).contains("+01:00,TBX link,responding\r\n"));
  EXPECT_EQ(prompts_.saves.at(0).suggested, "IO History.csv");
  EXPECT_EQ(Find<QLabel>(history_, "lblSaved")->accessibleName(), "Saved to " + path);
  std::vector<Row> rows = ParseCsv(Contents(path));
  ASSERT_EQ(rows.size(), 1u + kHistoryLanes + 7);
  const qint64 first = history_->Recorder().History()[0].ms;
  EXPECT_EQ(rows[kHistoryLanes], Row(first, "Opto #4", "off"));
  rows.erase(rows.begin(), rows.begin() + 1 + kHistoryLanes);
  EXPECT_EQ(rows, (std::vector<Row>{{Ms(0), "I/O #03", "on"},
                                    {Ms(0), "Opto #2", "on"},
                                    {Ms(40), "I/O #03", "off"},
                                    {Ms(40), "Opto #2", "off"},
                                    {Ms(80), "TBX link", "not responding"},
                                    {Ms(120), "TBX link", "responding"},
                                    {Ms(120), "I/O #03", "on"}}));
  IoTimeline& timeline = history_->Timeline();
  EXPECT_EQ(timeline.ShownLanes().size(), std::size_t{kHistoryLanes});

  // The readout gives the time of the poll under the pointer and what it read.
  const QRegularExpression kReadout("^(\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d) - (.*)$");
  const std::pair<int, const char*> points[] = {// the pointer's time, in polls after t0
                                                {20, "on: I/O #03, Opto #2; every other point off"},
                                                {60, "every point off"},
                                                {100, "TBX not responding"}};
  for (const auto& [poll, says] : points) {
    const QRegularExpressionMatch match = kReadout.match(PointAt(Ms(poll)));
    EXPECT_EQ(match.captured(2), says) << poll;
    // A pixel spans several polls: the time is one of those nearby.
    EXPECT_TRUE(std::ranges::any_of(std::views::iota(poll - 10, poll + 1), [&](int p) {
      return QDateTime::fromMSecsSinceEpoch(Ms(p)).toString("HH:mm:ss.zzz") == match.captured(1);
    })) << poll;
  }

  // Pause holds the picture while recording goes on; the lanes that changed in it show.
  Click(history_, "cmdPause");
  EXPECT_EQ(Find(history_, "cmdPause")->accessibleName(), "Resume");
  Record(50, {5}, {});
  Click(history_, "chkHideUnchanged");
  EXPECT_EQ(history_->Shown().Size(), 161u);
  EXPECT_EQ(timeline.ShownLanes(), (std::vector<int>{3, kInputPoints + 1}));
  Click(history_, "cmdPause");
  EXPECT_EQ(Find(history_, "cmdPause")->accessibleName(), "Pause");
  EXPECT_EQ(timeline.ShownLanes(), (std::vector<int>{3, 5, kInputPoints + 1}));
}

}  // namespace
}  // namespace tessera::panel
