#include "corvid/windows/trend_window.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QtCharts>
#include <QtWidgets>
#include <csignal>

#include "common/testing/env_scope.h"
#include "common/testing/test_support.h"
#include "corvid/session/trend_recorder.h"
#include "corvid/testing/window_harness.h"

namespace corvid::monitor {
namespace {

constexpr std::int64_t kNow = 1'796'000'000'000;  // 30 November 2026, 00:53 UTC

struct TrendTest : ::testing::Test {
  void SetUp() override {
    log().Clear();
    ASSERT_TRUE(common::testing::ChooseFromMenuBar(h.window.menuBar(), h.Find<QMenu>("mnuView"),
                                                   h.Find<QAction>("mnuTrend")));
    trend = h.window.Trend();
    ASSERT_NE(trend, nullptr);
    trend->SetClock([this] { return now; });
  }
  TrendLog& log() { return h.window.Recorder().Log(); }
  // A reading every 50 ms over [from, to): mains `mains`, output i at 100 * i V
  // and 10 * i mA.
  void Fill(std::int64_t from, std::int64_t to, int mains, std::uint8_t faults = 0) {
    StatusReading r{.mains = mains, .fault_bits = faults};
    for (int i = 0; i < kOutputs; ++i) r.volts[i] = 1000 * i, r.amps[i] = 10 * i;
    for (std::int64_t t = from; t < to; t += 50) log().AddStatus(t, r);
  }
  template <typename T>
  T* Find(const char* name) {
    return trend->findChild<T*>(name);
  }
  // The pointer moves over a chart to where time t is drawn. Sent to the chart itself:
  // offscreen, a moved cursor may land on the main window beneath.
  void PointAt(QChartView* view, std::int64_t t) {
    const QRectF area = view->chart()->plotArea();
    const double x = area.left() + area.width() * static_cast<double>(t - trend->ShownStart()) /
                                       static_cast<double>(trend->ShownEnd() - trend->ShownStart());
    const QPoint at = view->mapFromScene(view->chart()->mapToScene(QPointF(x, area.center().y())));
    QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
  }

  testing::Harness h;
  TrendWindow* trend = nullptr;
  std::int64_t now = kNow;
};

TEST_F(TrendTest, SpanPauseAndNoDrawingWhileClosed) {
  auto* span = Find<QComboBox>("cmbSpan");
  span->setFocus();
  for (const auto& [key, span_ms] :
       {std::pair{Qt::Key_Up, 60'000}, {Qt::Key_Down, 600'000}, {Qt::Key_Down, 3'600'000}}) {
    QTest::keyClick(span, key);
    EXPECT_EQ(trend->ShownEnd() - trend->ShownStart(), span_ms);
  }

  Fill(kNow - 10'000, kNow, 1200);
  QTest::mouseClick(Find<QPushButton>("cmdPause"), Qt::LeftButton);
  now += 5000;
  Fill(kNow + 50, now, 900);
  trend->Redraw();
  EXPECT_EQ(trend->ShownEnd(), kNow);  // held
  EXPECT_EQ(trend->Segments(0)[0]->points().back().y(), 120.0);
  QTest::mouseClick(Find<QPushButton>("cmdPause"), Qt::LeftButton);
  EXPECT_EQ(trend->ShownEnd(), now);
  EXPECT_EQ(trend->Segments(0)[0]->points().back().y(), 90.0);

  // Closed, it draws nothing, and the recording goes on.
  trend->close();
  const int redraws = trend->Redraws();
  const std::size_t kept = log().Samples().Size();
  for (int i = 0; i < 3; ++i) h.Tick();
  QTest::qWait(1200);
  EXPECT_EQ(std::pair(trend->Redraws(), log().Samples().Size()), std::pair(redraws, kept + 3));
}

TEST_F(TrendTest, GapsBreakLinesFaultsAreMarkedLegendSwitchesALine) {
  Fill(kNow - 50'000, kNow - 40'000, 1200);
  log().MarkNoAnswer(kNow - 40'000);
  Fill(kNow - 30'000, kNow - 20'000, 1200, 0x04);
  trend->Redraw();
  for (int line = 0; line < TrendWindow::kLines; ++line)
    EXPECT_EQ(std::ranges::count_if(trend->Segments(line), [](auto* s) { return s->count() > 0; }),
              2)
        << line;
  EXPECT_LT(trend->Segments(0)[0]->points().back().x(), kNow - 40'000);
  EXPECT_GE(trend->Segments(0)[1]->at(0).x(), kNow - 30'000);
  int fault_marks = 0;
  for (QAbstractSeries* s : trend->CurrentView()->chart()->series())
    if (auto* faults = qobject_cast<QScatterSeries*>(s)) fault_marks = faults->count();
  EXPECT_GT(fault_marks, 0);

  // A click on "Ch1 Red" in the legend hides that line, every piece of it; again shows it.
  QChartView* view = trend->VoltageView();
  QApplication::processEvents();  // the legend takes its new entries
  QGraphicsTextItem* label = nullptr;
  for (QGraphicsItem* item : view->scene()->items()) {
    auto* text = dynamic_cast<QGraphicsTextItem*>(item);
    if (text != nullptr && text->toPlainText() == "Ch1 Red" && text->isVisible()) label = text;
  }
  ASSERT_NE(label, nullptr);
  const QPoint spot = view->mapFromScene(label->sceneBoundingRect().center());
  for (const bool shown : {false, true}) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, spot);
    for (QLineSeries* s : trend->Segments(1)) EXPECT_EQ(s->isVisible(), shown);
    EXPECT_TRUE(trend->Segments(2)[0]->isVisible());
  }
}

TEST_F(TrendTest, PointerReadsTheValuesAtThatInstant) {
  Fill(kNow - 40'000, kNow - 20'000, 1187, 0x02);
  log().AddTemperature(kNow - 30'000, 81);
  log().MarkNoAnswer(kNow - 20'000);
  Find<QComboBox>("cmbSpan")->setCurrentIndex(TrendWindow::kOneMinute);
  QChartView* view = trend->CurrentView();
  PointAt(view, kNow - 25'500);
  const QString text = trend->ReadoutText();
  EXPECT_TRUE(text.startsWith(QDateTime::fromMSecsSinceEpoch(kNow - 25'500).toString("hh:mm:ss")) &&
              text.contains("Mains 118.7 Vrms   Temperature 81 oF   Fault: Ch1 Yellow") &&
              text.contains("Ch2 Green 500.0 Vrms 50 mArms"))
      << text.toStdString();
  EXPECT_EQ(Find<QLabel>("lblReadout")->accessibleName(), text);
  PointAt(view, kNow - 10'000);
  EXPECT_TRUE(trend->ReadoutText().endsWith("no answer from the device"))
      << trend->ReadoutText().toStdString();
}

TEST_F(TrendTest, SaveDataAndPictureAndAFailedSaveKeepsTheOldFile) {
  common::testing::TimeZoneScope zone("CET-1");
  Fill(kNow - 50, kNow, 1200, 0x21);
  log().AddTemperature(kNow - 75, -3);
  log().MarkNoAnswer(kNow - 10);
  QTemporaryDir dir;
  const QString csv = dir.filePath("trend.csv");
  h.prompts.QueueFile(csv);
  QTest::mouseClick(Find<QPushButton>("cmdSaveData"), Qt::LeftButton);

  // Time (local, with its offset), mains, volts, amps, bits, temperature, note.
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList rows = QString::fromUtf8(file.readAll()).split("\r\n");
  EXPECT_EQ(std::tuple(rows[0].count(','), rows[0].section(',', 1, 1), rows[0].section(',', 8, 8),
                       rows[0].section(',', 17, 17)),
            std::tuple(18, "Mains (Vrms)", "Ch1 Red (mArms)", "Temperature (oF)"));
  EXPECT_EQ(rows.mid(1),
            (QStringList{"2026-11-30T01:53:19.925+01:00,,,,,,,,,,,,,,,,,-3,",
                         "2026-11-30T01:53:19.950+01:00,120.0,0.0,100.0,200.0,300.0,400.0,500.0,0,"
                         "10,20,30,40,50,000000,100001,0000,,",
                         "2026-11-30T01:53:19.990+01:00,,,,,,,,,,,,,,,,,,no answer", ""}));
  EXPECT_EQ(Find<QLabel>("lblSaved")->text(),
            "Saved 1 status and 1 temperature readings to " + csv);

  const QString png = dir.filePath("trend.png");
  h.prompts.QueueFile(png);
  QTest::mouseClick(Find<QPushButton>("cmdSavePicture"), Qt::LeftButton);
  EXPECT_FALSE(QImage(png).isNull());

  // A disk that takes no more than 100 bytes: the save fails and says so, the old file stays.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit small = old_limit;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  h.prompts.QueueFile(png);
  QTest::mouseClick(Find<QPushButton>("cmdSaveData"), Qt::LeftButton);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  ASSERT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_EQ(std::pair(h.prompts.shown()[0].icon, h.prompts.shown()[0].detail),
            std::pair(common::Icon::kWarning, png));
  EXPECT_FALSE(QImage(png).isNull());
}

}  // namespace
}  // namespace corvid::monitor
