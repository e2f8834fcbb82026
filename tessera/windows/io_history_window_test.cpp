// Help, "&I/O History" with real events: the lanes that changed, the pointer's
// readout, Pause, and Save Data read back by a parser of the test's own.
#include "tessera/windows/io_history_window.h"

#include <sys/resource.h>

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWindow>
#include <csignal>
#include <set>

#include "common/testing/time_zone.h"
#include "tessera/session/io_recorder.h"
#include "tessera/testing/window_harness.h"
#include "tessera/windows/io_timeline.h"

namespace tessera::panel {
namespace {

struct Row {
  qint64 ms;
  QString point, state;
  bool operator==(const Row&) const = default;
};

// time,point,state with CR LF; the time must carry its offset from UTC.
std::vector<Row> ParseCsv(const QByteArray& text) {
  std::vector<Row> rows;
  QStringList lines = QString::fromUtf8(text).split("\r\n");
  EXPECT_EQ(lines.takeFirst(), "time,point,state");
  EXPECT_EQ(lines.takeLast(), "");
  static const QRegularExpression kOffset("[+-]\\d\\d:\\d\\d$");
  for (const QString& line : lines) {
    const QStringList fields = line.split(',');
    const QDateTime time = QDateTime::fromString(fields[0], Qt::ISODateWithMs);
    EXPECT_TRUE(fields.size() == 3 && time.isValid() && kOffset.match(fields[0]).hasMatch())
        << line.toStdString();
    rows.push_back({time.toMSecsSinceEpoch(), fields.value(1), fields.value(2)});
  }
  return rows;
}

QString ClockText(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString("HH:mm:ss.zzz");
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class IoHistoryWindowTest : public testing::WindowTest {
 protected:
  IoHistoryWindowTest() {
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    QMenu* help = window_->findChild<QMenu*>("mnuHelp");
    EXPECT_TRUE(common::testing::ChooseFromMenuBar(window_->menuBar(), help,
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
    for (int i = 0; i < count; ++i) {
      answered ? history_->Recorder().RecordAnswer(lamps) : history_->Recorder().RecordSilence();
    }
  }
  // Through the window system, as a real pointer moves.
  void MoveTo(int x) {
    QWidget* viewport = history_->Timeline().viewport();
    QWindow* window = history_->windowHandle();
    QTest::mouseMove(window, window->mapFromGlobal(viewport->mapToGlobal(QPoint(x, 4))));
  }
  QString PointAt(std::int64_t ms) {
    MoveTo(history_->Timeline().XOf(ms));
    auto* label = Find<QLabel>(history_, "lblPointer");
    EXPECT_EQ(label->accessibleName(), label->text());
    return label->text();
  }
  std::int64_t Ms(int poll) const { return t0_ + 100 * poll; }

  IoHistoryWindow* history_ = nullptr;
  std::int64_t t0_ = 0;
  int polls_ = 0;
};

TEST_F(IoHistoryWindowTest, HidesUnchangedPointsReadsThePointerAndPauses) {
  ASSERT_NE(history_, nullptr);
  EXPECT_TRUE(history_->frameGeometry().width() <= 1366 &&
              history_->frameGeometry().height() <= 768);

  IoTimeline& timeline = history_->Timeline();
  EXPECT_EQ(timeline.ShownLanes().size(), std::size_t{kHistoryLanes});
  Click(history_, "chkHideUnchanged");
  EXPECT_EQ(timeline.ShownLanes(), (std::vector<int>{3, kInputPoints + 1}));
  Click(history_, "chkHideUnchanged");
  EXPECT_EQ(timeline.ShownLanes().size(), std::size_t{kHistoryLanes});

  // The readout gives the time of the poll under the pointer and what it read.
  const QRegularExpression kReadout("^(\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d) - (.*)$");
  const struct {
    int poll;  // the pointer's time, in polls after t0
    const char* says;
  } points[] = {{20, "on: I/O #03, Opto #2; every other point off"},
                {60, "every point off"},
                {100, "TBX not responding"},
                {140, "on: I/O #03; every other point off"}};
  for (const auto& p : points) {
    const QRegularExpressionMatch match = kReadout.match(PointAt(Ms(p.poll)));
    ASSERT_TRUE(match.hasMatch()) << p.poll;
    EXPECT_EQ(match.captured(2), p.says) << p.poll;
    // A pixel spans several polls: one of those nearby.
    QStringList times;
    for (int poll = p.poll - 10; poll <= p.poll; ++poll) times << ClockText(Ms(poll));
    EXPECT_TRUE(times.contains(match.captured(1))) << p.poll;
  }
  // Over the captions there is no time to read.
  MoveTo(2);
  EXPECT_TRUE(Find<QLabel>(history_, "lblPointer")->text().startsWith("Point at the timeline"));
  // The keys read it too: End is the newest poll.
  QTest::keyClick(&timeline, Qt::Key_End);
  EXPECT_EQ(Find<QLabel>(history_, "lblPointer")->text(),
            ClockText(Ms(159)) + " - on: I/O #03; every other point off");

  // Pause holds the picture while recording goes on.
  auto* pause = Find<QPushButton>(history_, "cmdPause");
  Click(history_, "cmdPause");
  EXPECT_TRUE(pause->text() == "&Resume" && pause->accessibleName() == "Resume");
  Record(50, {5}, {});
  Click(history_, "chkHideUnchanged");
  // Held: I/O #05 came after the picture, and the readout at its time is of before.
  EXPECT_EQ(history_->Shown().Size(), 161u);
  EXPECT_EQ(history_->Recorder().History().Size(), 211u);
  EXPECT_EQ(history_->Timeline().ShownLanes(), (std::vector<int>{3, kInputPoints + 1}));
  EXPECT_TRUE(PointAt(Ms(150)).endsWith(" - on: I/O #03; every other point off"));

  Click(history_, "cmdPause");
  EXPECT_EQ(pause->text(), "&Pause");
  EXPECT_EQ(history_->Shown().Size(), 211u);
  EXPECT_EQ(history_->Timeline().ShownLanes(), (std::vector<int>{3, 5, kInputPoints + 1}));
}

// Files may not grow past 1 000 bytes in its scope: the disk is full for them.
struct FullDisk {
  FullDisk() : handler(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{1000, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
  }
  void (*handler)(int);
  rlimit saved{};
};

TEST_F(IoHistoryWindowTest, SaveDataWritesTheChangesAndAFailedSaveKeepsTheOldFile) {
  ASSERT_NE(history_, nullptr);
  QTemporaryDir dir;
  const QString path = dir.filePath("history.csv");
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old file\r\n") == 10);
  old.close();

  // The disk is full: a clear box, the old file as it was, nothing left beside it.
  prompts_.QueueFile(path);
  {
    FullDisk full;
    Click(history_, "cmdSaveData");
  }
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& box = prompts_.shown()[0];
  EXPECT_TRUE(box.icon == common::Icon::kWarning && box.text.contains("not saved"));
  EXPECT_TRUE(box.detail.startsWith(path + ": "));
  EXPECT_EQ(Contents(path), "old file\r\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"history.csv"});

  prompts_.QueueFile(path);
  {
    common::testing::TimeZoneScope zone("CET-1");  // times carry the local offset
    Click(history_, "cmdSaveData");
  }
  EXPECT_EQ(prompts_.shown().size(), 1u);
  EXPECT_TRUE(Contents(path).contains("+01:00,TBX link,responding\r\n"));
  EXPECT_EQ(prompts_.saves.at(1).suggested, "IO History.csv");
  EXPECT_EQ(Find<QLabel>(history_, "lblSaved")->accessibleName(), "Saved to " + path);

  std::vector<Row> rows = ParseCsv(Contents(path));
  // The harness's first poll: the link and every lane, all dark.
  ASSERT_EQ(rows.size(), 1u + kHistoryLanes + 7);
  const qint64 first = history_->Recorder().History()[0].ms;
  EXPECT_EQ(rows[0], (Row{first, "TBX link", "responding"}));
  for (int lane = 0; lane < kHistoryLanes; ++lane) {
    EXPECT_TRUE(rows[1 + lane].ms == first && rows[1 + lane].state == "off") << lane;
  }
  EXPECT_EQ(rows[1].point, "I/O #00");
  EXPECT_EQ(rows[kHistoryLanes].point, "Opto #4");
  rows.erase(rows.begin(), rows.begin() + 1 + kHistoryLanes);
  EXPECT_EQ(rows, (std::vector<Row>{{Ms(0), "I/O #03", "on"},
                                    {Ms(0), "Opto #2", "on"},
                                    {Ms(40), "I/O #03", "off"},
                                    {Ms(40), "Opto #2", "off"},
                                    {Ms(80), "TBX link", "not responding"},
                                    {Ms(120), "TBX link", "responding"},
                                    {Ms(120), "I/O #03", "on"}}));
}

}  // namespace
}  // namespace tessera::panel
