// The real tessera executable against tbx-sim on a pseudo-terminal: the bytes on
// the wire of the first ticks, through QSerialPort and the whole start-up.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"

namespace {

using common::testing::BinDir;
using common::testing::ReadTrafficLog;
using common::testing::ToHex;

class Child {
 public:
  ~Child() { Stop(); }
  QProcess& process() { return process_; }
  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }

 private:
  QProcess process_;
};

TEST(TesseraEndToEnd, FirstTicksOnTheWire) {
  const QString sim_path = BinDir() + "/tbx-sim";
  const QString tessera_path = BinDir() + "/tessera";
  if (!QFileInfo(sim_path).isExecutable() || !QFileInfo(tessera_path).isExecutable()) {
    GTEST_SKIP() << "needs " << sim_path.toStdString() << " and " << tessera_path.toStdString();
  }
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", dir.path());
  env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  const QString log = dir.path() + "/traffic.log";

  Child sim;
  sim.process().setProcessEnvironment(env);
  sim.process().setProcessChannelMode(QProcess::ForwardedErrorChannel);
  sim.process().start(sim_path, {"--port", "7", "--log", log});
  ASSERT_TRUE(sim.process().waitForStarted(3000));
  ASSERT_TRUE(
      common::testing::WaitUntil([&] { return QFileInfo::exists(dir.path() + "/COM7"); }, 5000))
      << "tbx-sim made no COM7 link";

  Child tessera;
  tessera.process().setProcessEnvironment(env);
  tessera.process().setProcessChannelMode(QProcess::ForwardedErrorChannel);
  tessera.process().start(tessera_path, {"/comm=7"});
  ASSERT_TRUE(tessera.process().waitForStarted(3000));

  // First tick: input, status and identify, each answered; then the next input.
  QList<common::testing::LoggedBlock> blocks;
  const bool seen = common::testing::WaitUntil(
      [&] {
        blocks = ReadTrafficLog(log);
        return blocks.size() >= 7;
      },
      8000);
  EXPECT_EQ(tessera.process().state(), QProcess::Running) << "tessera ended early";
  tessera.Stop();
  sim.Stop();
  ASSERT_TRUE(seen) << "only " << blocks.size() << " blocks in the traffic log";

  EXPECT_TRUE(blocks[0].from_host);
  EXPECT_EQ(ToHex(blocks[0].bytes), "34 00 CB");
  EXPECT_FALSE(blocks[1].from_host);
  EXPECT_EQ(blocks[1].bytes.size(), 14);
  EXPECT_EQ(ToHex(blocks[2].bytes), "31 00 CE");
  EXPECT_EQ(blocks[3].bytes.size(), 9);
  EXPECT_EQ(ToHex(blocks[4].bytes), "71 0D 00 00 81");
  EXPECT_EQ(blocks[5].bytes.size(), 15);
  EXPECT_EQ(ToHex(blocks[5].bytes.mid(0, 3)), "71 0D 00");
  EXPECT_TRUE(blocks[6].from_host);
  EXPECT_EQ(ToHex(blocks[6].bytes), "34 00 CB");
  // Every answer is a valid frame.
  for (int i = 1; i < 7; i += 2) {
    std::uint8_t sum = 0;
    for (char byte : blocks[i].bytes) sum += static_cast<std::uint8_t>(byte);
    EXPECT_EQ(sum, 0xFF) << "answer " << i;
  }
}

}  // namespace
