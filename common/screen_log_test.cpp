#include "common/screen_log.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "common/indicator.h"
#include "common/picture.h"
#include "common/testing/test_support.h"

namespace common {
namespace {

// The lines written so far, without their time stamps; false when one has no stamp.
bool ReadLog(const QString& path, QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  lines.clear();
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
    if (!line.startsWith("t=") || line.indexOf(' ') < 0) return false;
    lines << line.mid(line.indexOf(' ') + 1);
  }
  return true;
}

class ScreenLogTest : public ::testing::Test {
 protected:
  ScreenLogTest() {
    window_.setWindowTitle("TBX Address #");
    label_ = new QLabel("TBX Not Responding", &window_);
    label_->setObjectName("lblComm");
    indicator_ = new Indicator("shpIn_3", "I/O #03 input", QColor(0, 0, 0xFF), &window_);
    picture_ = new Picture("imgTBXComm", "TBX not responding", QPixmap(8, 8), &window_);
    edit_ = new QLineEdit("--", &window_);
    edit_->setObjectName("txtTemperature");
    check_ = new QCheckBox("Disable", &window_);
    check_->setObjectName("chkZcrossDisable");
    new QLabel("no name, not logged", &window_);
  }
  QString Path() const { return dir_.filePath("screen.log"); }

  QTemporaryDir dir_;
  QWidget window_;
  QLabel* label_;
  Indicator* indicator_;
  Picture* picture_;
  QLineEdit* edit_;
  QCheckBox* check_;
};

TEST_F(ScreenLogTest, FirstEverythingThenOnlyWhatChanged) {
  ScreenLog log(&window_, Path());
  ASSERT_TRUE(log.Ok());
  QStringList lines;
  ASSERT_TRUE(ReadLog(Path(), lines));
  EXPECT_EQ(lines,
            (QStringList{"title=TBX Address #", "lblComm=TBX Not Responding", "shpIn_3=off #0000ff",
                         "imgTBXComm=shown", "txtTemperature=--", "chkZcrossDisable=unchecked"}));

  // A window changed by its session's signal is looked at once the loop runs again.
  QTimer session;
  session.setSingleShot(true);
  log.Follow(&session);
  label_->setText("TBX Responding");
  indicator_->SetFilled(true);
  picture_->SetShown(false);
  session.start(0);
  ASSERT_TRUE(testing::WaitUntil([&] { return ReadLog(Path(), lines) && lines.size() == 9; }, 2000))
      << lines.join(" | ").toStdString();
  EXPECT_EQ(lines.mid(6),
            (QStringList{"lblComm=TBX Responding", "shpIn_3=on #0000ff", "imgTBXComm=hidden"}));

  // Nothing changed: nothing written. Then states that are not text.
  log.Snapshot();
  ASSERT_TRUE(ReadLog(Path(), lines));
  EXPECT_EQ(lines.size(), 9);
  edit_->setEnabled(false);
  label_->hide();
  check_->setChecked(true);
  indicator_->SetColour(QColor(0xFF, 0, 0));
  window_.setWindowTitle("TBX Address #9, Input Assembly Position #1");
  log.Snapshot();
  ASSERT_TRUE(ReadLog(Path(), lines));
  EXPECT_EQ(lines.mid(9),
            (QStringList{"title=TBX Address #9, Input Assembly Position #1",
                         "lblComm=TBX Responding [hidden]", "shpIn_3=on #ff0000",
                         "txtTemperature=-- [disabled]", "chkZcrossDisable=checked"}));
}

TEST_F(ScreenLogTest, OffUnlessTheEnvironmentNamesAWritableFile) {
  qunsetenv("CABINET_SCREEN_LOG");
  EXPECT_EQ(ScreenLog::FromEnvironment(&window_), nullptr);
  qputenv("CABINET_SCREEN_LOG", dir_.filePath("no/such/dir/screen.log").toUtf8());
  EXPECT_EQ(ScreenLog::FromEnvironment(&window_), nullptr);
  qputenv("CABINET_SCREEN_LOG", Path().toUtf8());
  const auto log = ScreenLog::FromEnvironment(&window_);
  qunsetenv("CABINET_SCREEN_LOG");
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(QFile::exists(Path()));
}

}  // namespace
}  // namespace common
