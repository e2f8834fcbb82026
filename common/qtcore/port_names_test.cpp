#include "common/qtcore/port_names.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::EnvScope;

TEST(PortNamesTest, LinkInPortDirectoryWinsOverTheSerialDefault) {
  QTemporaryDir dir;
  EnvScope com_dir("CABINET_COM_DIR", dir.path().toLocal8Bit());
  // A dangling link still names the port: opening it reports the missing device.
  ASSERT_TRUE(QFile::link(dir.path() + "/nowhere", dir.path() + "/COM6"));
  EXPECT_EQ(PortDeviceName(6), dir.path() + "/COM6");
  EXPECT_EQ(PortDeviceName(1), "/dev/ttyS0");
  EXPECT_EQ(PortDeviceName(12), "/dev/ttyS11");
  EXPECT_EQ(PortDeviceName(0), "");
}

TEST(PortNamesTest, DefaultDirectoryFollowsTheConfigHome) {
  EnvScope com_dir("CABINET_COM_DIR", {});
  {
    EnvScope home("XDG_CONFIG_HOME", "/tmp/cfg-home");
    EXPECT_EQ(PortDirectory(), "/tmp/cfg-home/cabinet-tools/com");
  }
  EnvScope home("XDG_CONFIG_HOME", {});
  EXPECT_EQ(PortDirectory(), QDir::homePath() + "/.config/cabinet-tools/com");
}

}  // namespace
}  // namespace common
