// switchpack-sim on a pseudo-terminal, reached through the real serial port code.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/prompts.h"
#include "common/qt_serial_port.h"
#include "common/testing/test_support.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/link/link_settings.h"

namespace corvid {
namespace {

using common::testing::ToHex;

class SwitchPackSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    saved_com_dir_ = qgetenv("CABINET_COM_DIR");
    qputenv("CABINET_COM_DIR", dir_.path().toLocal8Bit());
  }
  void TearDown() override {
    port_.Close();
    if (sim_.state() != QProcess::NotRunning) {
      sim_.terminate();
      if (!sim_.waitForFinished(3000)) sim_.kill();
      sim_.waitForFinished(1000);
    }
    if (saved_com_dir_.isEmpty()) {
      qunsetenv("CABINET_COM_DIR");
    } else {
      qputenv("CABINET_COM_DIR", saved_com_dir_);
    }
  }
  bool Start(QStringList args) {
    args << "--port" << "6" << "--port-dir" << dir_.path() << "--log" << LogPath();
    sim_.start(common::testing::BinDir() + "/switchpack-sim", args);
    if (!sim_.waitForStarted(5000)) return false;
    const QString link = dir_.filePath("COM6");
    if (!common::testing::WaitUntil([&] { return QFileInfo(link).isSymLink(); }, 5000)) {
      return false;
    }
    port_.SetSettings(kLineSettings);
    port_.SetPortNumber(6);
    return port_.Open();
  }
  QString LogPath() const { return dir_.filePath("traffic.log"); }

  QTemporaryDir dir_;
  QByteArray saved_com_dir_;
  QProcess sim_;
  common::QtSerialPort port_;
  common::ScriptedPrompts prompts_;
};

TEST_F(SwitchPackSimTest, AnswersOverThePtyAndLogsTheWireBytes) {
  ASSERT_TRUE(Start({"--type", "3", "--slot", "1"}));
  HdlcLink link(port_, prompts_);
  link.SetResponseWindowMs(500);  // a loaded build machine, not the protocol
  const auto id = link.Exchange(QByteArray::fromHex("3C"));
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(ToHex(id->left(2)), "BC 03");
  EXPECT_EQ(id->mid(2).trimmed(), "Type 03 Rev 1.12");
  const auto status = link.Exchange(QByteArray::fromHex("018080"));
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->size(), 30);
  EXPECT_EQ(static_cast<std::uint8_t>(status->at(28)), 0x3F);
  const auto log = common::testing::ReadTrafficLog(LogPath());
  ASSERT_GE(log.size(), 4);
  EXPECT_TRUE(log[0].from_host);
  EXPECT_EQ(ToHex(log[0].bytes), "7E 01 13 3C 06 D8 7E");
  EXPECT_FALSE(log[1].from_host);
  EXPECT_EQ(ToHex(log[2].bytes), "7E 01 13 01 80 80 47 70 7E");
}

TEST_F(SwitchPackSimTest, FaultOptionsReachTheCounters) {
  ASSERT_TRUE(Start({"--nak-every", "2", "--bad-fcs-every", "3"}));
  HdlcLink link(port_, prompts_);
  link.SetResponseWindowMs(500);
  int good = 0;
  for (int i = 0; i < 6; ++i) good += link.Exchange(QByteArray::fromHex("7B")).has_value();
  // 1 ok, 2 NAK, 3 bad FCS, 4 NAK, 5 ok, 6 NAK.
  EXPECT_EQ(good, 2);
  EXPECT_EQ(link.Counters().RxNakCount, 3);
  EXPECT_EQ(link.Counters().CrcErrorCount, 1);
  EXPECT_EQ(link.Counters().RxTimeoutCount, 0);
}

}  // namespace
}  // namespace corvid
