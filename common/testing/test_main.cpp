// main() of every test binary: GUI tests need a QApplication, and test discovery
// may run the binary before the test environment applies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  // What the windows remember (their places) goes to a folder of the run's own.
  QTemporaryDir settings_dir;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_dir.path());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_dir.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
