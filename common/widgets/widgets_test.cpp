#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "common/core/link_tap.h"
#include "common/qtcore/poll_loop.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/widgets/about_box.h"
#include "common/widgets/indicator.h"
#include "common/widgets/link_trace_window.h"
#include "common/widgets/picture.h"
#include "common/widgets/qt_prompts.h"
#include "common/widgets/trace_model.h"
#include "common/widgets/window_helpers.h"
#include "common/widgets/window_placement.h"

namespace common {
namespace {

// The menu gate goes with its window; dropping a menu down is the main windows' tests'.
TEST(WindowHelpersTest, EnableFrameReachesNestedFramesButNotSiblingsAndTheGateGoes) {
  QWidget window;
  const auto named = [](QWidget* w, const char* name) {
    w->setObjectName(name);
    return w;
  };
  QWidget* frame = named(new QGroupBox(&window), "fraIO");
  QWidget* nested = named(new QGroupBox(frame), "fraOpto");
  auto* holder = new QWidget(frame);  // an unnamed layout helper
  const QList<QWidget*> inside = {frame, named(new QCheckBox(frame), "chkOut_0"), nested,
                                  named(new QCheckBox(nested), "chkOpto_0"),
                                  named(new QCheckBox(holder), "chkOut_1")};
  QWidget* outside = named(new QCheckBox(&window), "chkZcrossDisable");
  EnableFrame(frame, false);
  // Each control is disabled in its own right, not only through its parent, so it
  // stays disabled if moved or if the parent is re-enabled alone.
  for (QWidget* w : inside) EXPECT_TRUE(w->testAttribute(Qt::WA_ForceDisabled));
  EXPECT_TRUE(outside->isEnabled());
  EnableFrame(frame, true);
  for (QWidget* w : inside) EXPECT_TRUE(w->isEnabled());
  PollLoop loop("tmrPoll", 1000, PollLoop::Mode::kFreeRunning);
  loop.SetTick([] {});
  loop.Start();
  auto* main = new QMainWindow;
  main->menuBar()->addMenu("&File");
  GateTicksOnMenus(loop, main);
  delete main;  // a gate left behind would ask a window that is gone
  EXPECT_TRUE(loop.TickNow());
}

TEST(AboutBoxTest, ShowsTheTextByLinesAndClosesOnAClickAnywhere) {
  const AboutContent content{.window_title = "About Tool",
                             .heading = "Tool",
                             .text = "Tool Version 1.0\r\nSecond line\r\n",
                             .logo = QPixmap(16, 16),
                             .logo_name = "Tool logo"};
  for (const char* target : {"lblAbout", "imgLogo", "fraAbout", "Label1", ""}) {
    QPointer<AboutBox> box = new AboutBox(content);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->findChild<QLabel*>("lblAbout")->text(), "Tool Version 1.0\nSecond line\n");
    QWidget* widget = *target ? box->findChild<QWidget*>(target) : box.data();
    ASSERT_NE(widget, nullptr) << target;
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull()) << target;
    delete box.data();
  }
  // Without a heading the text is the big line.
  AboutContent bare = content;
  bare.heading.clear();
  AboutBox plain(bare), headed(content);
  EXPECT_EQ(std::tuple(plain.findChild<QLabel*>("Label1") == nullptr,
                       plain.findChild<QLabel*>("lblAbout")->font().bold(),
                       headed.findChild<QLabel*>("lblAbout")->font().bold()),
            std::tuple(true, true, false));
}

TEST(WindowPlacementTest, BesideTheMainWindowWhereTheScreenHasRoom) {
  const QRect screen(0, 0, 1024, 768);
  const QSize size(300, 400);
  const std::tuple<QRect, std::vector<QPoint>, QPoint> cases[] = {
      {{0, 0, 500, 400}, {}, {504, 0}},                      // right
      {{600, 50, 420, 400}, {}, {296, 50}},                  // left: no room right
      {{100, 0, 800, 300}, {}, {100, 304}},                  // below: no room either side
      {{0, 0, 500, 400}, {{504, 0}}, {532, 28}},             // cascaded from a window there
      {{0, 0, 500, 400}, {{504, 0}, {532, 28}}, {560, 56}},  // and from the next
      {{150, 0, 800, 700}, {}, {0, 368}},  // no room: the corner covering least of it
      {{10, 0, 800, 700}, {}, {724, 368}},
      {{10, 100, 800, 668}, {}, {724, 0}},
  };
  for (const auto& [main, taken, expected] : cases) {
    const QPoint corner = BesidePosition(main, size, screen, taken);
    EXPECT_EQ(corner, expected) << main.x() << "," << main.y();
    EXPECT_TRUE(screen.contains(QRect(corner, size)));
  }
  // A window opens clear of the main window, and where the user left it next time.
  QWidget main;
  main.setGeometry(20, 20, 300, 200);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  const auto open = [&] {
    auto* window = new QWidget(&main, Qt::Window);
    window->resize(200, 150);
    PlaceBesideMainWindow(window, &main, "PlacementProbe");
    window->show();
    return window;
  };
  QWidget* window = open();
  EXPECT_FALSE(window->frameGeometry().intersects(main.frameGeometry()));
  window->move(400, 300);
  window->close();
  delete window;
  QWidget* again = open();
  EXPECT_EQ(again->pos(), QPoint(400, 300));
}

// The answer when the box's button `press` is clicked; what the box showed before ("text |
// detail", then " wraps" and " No default" where they hold), and its parent.
std::tuple<Answer, QString, QWidget*> Show(QtPrompts& prompts, const Message& message,
                                           QMessageBox::StandardButton press) {
  QString seen;
  QWidget* parent = nullptr;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    const auto* detail = box->findChild<QLabel*>("qt_msgbox_informativelabel");
    seen = box->text() + " | " + box->informativeText() +
           (detail != nullptr && detail->wordWrap() ? " wraps" : "") +
           (box->button(QMessageBox::No) != nullptr &&
                    box->defaultButton() == box->button(QMessageBox::No)
                ? " No default"
                : "");
    parent = box->parentWidget();
    QTest::mouseClick(box->button(press), Qt::LeftButton);
  });
  const Answer answer = prompts.Show(message);
  return {answer, seen, parent};
}

Message Box(Buttons buttons, const char* text = "Q", const char* detail = "") {
  return {.title = "T", .text = text, .buttons = buttons, .icon = {}, .detail = detail};
}

TEST(QtPromptsTest, ButtonsAnswersDetailAndTheBoxOwner) {
  QtPrompts prompts;
  const auto [answer, seen, parent] =
      Show(prompts, Box(Buttons::kOk, "Open Port Error", "No such device: /dev/ttyS98"),
           QMessageBox::Ok);
  EXPECT_EQ(std::pair(answer, seen),
            std::pair(Answer::kOk, QString("Open Port Error | No such device: /dev/ttyS98")));
  const std::tuple<Buttons, QMessageBox::StandardButton, Answer> cases[] = {
      {Buttons::kRetryCancel, QMessageBox::Retry, Answer::kRetry},
      {Buttons::kRetryCancel, QMessageBox::Cancel, Answer::kCancel},
      {Buttons::kAbortRetryIgnore, QMessageBox::Ignore, Answer::kIgnore},
      {Buttons::kYesNo, QMessageBox::No, Answer::kNo},
      {Buttons::kOkCancel, QMessageBox::Ok, Answer::kOk}};
  for (const auto& [buttons, press, answer] : cases)
    EXPECT_EQ(std::get<0>(Show(prompts, Box(buttons), press)), answer);
  // The window system returns the activation to a box's parent when it closes: a box
  // over a dialog must belong to the dialog, or the focus lands in the main window.
  QWidget main;
  main.show();
  QDialog dialog(&main);
  auto* field = new QLineEdit(&dialog);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  field->setFocus();
  QtPrompts owned(&main);
  EXPECT_EQ(std::get<2>(Show(owned, Box(Buttons::kOk), QMessageBox::Ok)), &dialog);
  dialog.hide();
  main.activateWindow();
  EXPECT_EQ(std::get<2>(Show(owned, Box(Buttons::kOk), QMessageBox::Ok)), &main);
  // A box that names its window goes there, whatever is active; Enter says No.
  Message question = Box(Buttons::kYesNo, "Erase?");
  question.default_answer = Answer::kNo;
  question.owner = &dialog;
  EXPECT_EQ(Show(owned, question, QMessageBox::No),
            std::tuple(Answer::kNo, QString("Erase? |  No default"), &dialog));
}

// Contrast ratio of two colours as accessibility guidelines measure it (1 to 21).
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto lin = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// An unlit lamp is only its rim: it must stand out on the light and dark palettes a
// technician's desktop may use.
TEST(IndicatorTest, AnUnlitRimStandsOutAndAPictureHidesKeepingItsRoom) {
  for (const QColor background :
       {QColor(0xF0, 0xF0, 0xF0), QColor(0x2A, 0x2A, 0x2A), QColor(0, 0, 0)}) {
    for (const QColor colour : {QColor(0xFF, 0, 0), QColor(0, 0, 0xFF), QColor(0, 0xFF, 0)}) {
      Indicator lamp("shpLamp", "Lamp", colour, nullptr, 16);
      QPalette palette = lamp.palette();
      palette.setColor(QPalette::Window, background);
      lamp.setPalette(palette);
      lamp.setAutoFillBackground(true);
      const QImage image = lamp.grab().toImage();
      double rim = 0;
      for (int x = 0; x < image.width(); ++x)
        rim = std::max(rim, Contrast(image.pixelColor(x, image.height() / 2), background));
      EXPECT_GE(rim, 3.0) << background.name().toStdString() << " " << colour.name().toStdString();
    }
  }
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* picture =
      new Picture("imgFault_0", "Channel 1 Red fault", WarningPixmap(20, Qt::yellow), &window);
  auto* below = new QLabel("next row", &window);
  layout->addWidget(picture);
  layout->addWidget(below);
  window.show();
  const int below_y = below->y();
  for (const bool shown : {false, true, false}) {
    picture->SetShown(shown);
    EXPECT_EQ(picture->accessibleDescription(), shown ? "on" : "off");
    layout->activate();
    EXPECT_EQ(below->y(), below_y) << "hiding must not move the next row";
  }
}

using testing::B;

// The Link Trace window as a technician uses it: records coming from the tap, the
// filters, pause and clear by mouse and keyboard, saving through the save dialog, and
// what a screen reader hears of the list and the counts.
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

TEST_F(LinkTraceWindowTest, TheListKeepsUpFiltersPausesAndSavesEveryRecord) {
  EXPECT_EQ(Heard(Find("lblCount")), "0 records");
  Traffic();
  ASSERT_TRUE(Shows(7));
  EXPECT_EQ(HeardRows(),
            (QStringList{"-> SendInputFrame sent 34 00 CB", "<- SendInputFrame ok 34 00 01",
                         "-> SendRMSFrame sent 31 00 CE",
                         "<- SendRMSFrame FAIL time-out after 500 ms [failure]",
                         "-> ReadEvents sent 7F 0D 00 73",
                         "<- ReadEvents FAIL checksum error 7F 0D 00 23 [failure]",
                         "<- - FAIL dropped outside an exchange 00 00 [failure]"}));
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
  Click("cmdClear");
  // Pause holds the list and resume catches up; the file holds every record, filtered
  // out or waiting behind a pause alike.
  QTemporaryDir dir;
  Traffic();
  ASSERT_TRUE(Shows(7));
  Click("chkFailuresOnly");
  QWidget* pause = Find("cmdPause");
  Click("cmdPause");
  EXPECT_EQ(Heard(pause), "Resume");
  Traffic();
  QTest::qWait(TraceModel::kUpdateIntervalMs + 100);
  EXPECT_EQ(window_.Model().rowCount(), 3);
  EXPECT_EQ(Heard(Find("lblCount")), "Paused: 7 new waiting; 7 records, 3 shown");
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
  // Alt+R while the button reads "Resume"; a mnemonic's click comes a moment later.
  QTest::keyClick(&window_, Qt::Key_R, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Heard(pause) == "Pause"; }, 1000));
  EXPECT_EQ(window_.Model().rowCount(), 6);
  Click("cmdClear");
  EXPECT_EQ(Heard(Find("lblCount")), "0 records, 0 shown");
}

// A record as a link makes it: sent when `hex` is routine traffic, or the outcome given.
TraceRecord Rec(const char* name, TraceOutcome outcome, bool routine = true) {
  using enum TraceDirection;
  const bool sent = outcome == TraceOutcome::kSent;
  return {0, 0, sent ? kToDevice : kFromDevice, outcome, routine, 0, name, "", B("34 00")};
}

QStringList Rows(const TraceModel& model) {
  QStringList rows;
  for (int i = 0; i < model.rowCount(); ++i)
    rows << QString::fromStdString(model.RecordAt(i)->name + " " + OutcomeText(*model.RecordAt(i)));
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
  EXPECT_EQ(std::pair(changed[0][0].toModelIndex().row(), changed[0][1].toModelIndex().row()),
            std::pair(0, 3));
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
  EXPECT_EQ(std::pair(removed[0][1].toInt(), removed[0][2].toInt()), std::pair(1, 1));
  // Failures stand out in colour.
  TraceModel coloured;
  Feed(coloured, {Rec("A", TraceOutcome::kOk), Rec("B", TraceOutcome::kTimeout)});
  for (const QModelIndex& i : {coloured.index(0), coloured.index(1)})
    EXPECT_EQ(std::pair(i.data(Qt::ForegroundRole).value<QBrush>().color(),
                        i.data(Qt::BackgroundRole).isValid()),
              std::pair(i.row() ? QColor(150, 0, 0) : QColor(Qt::black), i.row() == 1));
}

}  // namespace
}  // namespace common
