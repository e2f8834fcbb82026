#include "common/qtcore/port_names.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace common {
namespace {

class PortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_com_ = qgetenv("CABINET_COM_DIR");
    saved_xdg_ = qgetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    Restore("CABINET_COM_DIR", saved_com_);
    Restore("XDG_CONFIG_HOME", saved_xdg_);
  }
  static void Restore(const char* name, const QByteArray& value) {
    if (value.isNull()) {
      qunsetenv(name);
    } else {
      qputenv(name, value);
    }
  }
  QByteArray saved_com_, saved_xdg_;
};

TEST_F(PortNamesTest, LinkInPortDirectoryWinsOverTheSerialDefault) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  qputenv("CABINET_COM_DIR", dir.path().toLocal8Bit());
  ASSERT_TRUE(QFile::link("/dev/null", dir.path() + "/COM5"));
  // A dangling link still names the port: opening it reports the missing device.
  ASSERT_TRUE(QFile::link(dir.path() + "/nowhere", dir.path() + "/COM6"));

  EXPECT_EQ(PortDirectory(), dir.path());
  EXPECT_EQ(PortDeviceName(5), dir.path() + "/COM5");
  EXPECT_EQ(PortDeviceName(6), dir.path() + "/COM6");
  EXPECT_EQ(PortDeviceName(1), "/dev/ttyS0");
  EXPECT_EQ(PortDeviceName(12), "/dev/ttyS11");
  EXPECT_EQ(PortDeviceName(0), "");
  EXPECT_EQ(PortDeviceName(-3), "");
}

TEST_F(PortNamesTest, DefaultDirectoryFollowsTheConfigHome) {
  qunsetenv("CABINET_COM_DIR");
  qputenv("XDG_CONFIG_HOME", "/tmp/cfg-home");
  EXPECT_EQ(PortDirectory(), "/tmp/cfg-home/cabinet-tools/com");
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(PortDirectory(), QDir::homePath() + "/.config/cabinet-tools/com");
}

}  // namespace
}  // namespace common
