// The real tessera executable against tbx-sim on a pseudo-terminal: the bytes on
// the wire of the first ticks, through QSerialPort and the whole start-up; then the
// device goes away and comes back, and polling carries on by itself.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"

namespace {

using common::testing::BinDir;
using common::testing::LoggedBlock;
using common::testing::ReadTrafficLog;
using common::testing::ToHex;
using common::testing::WaitUntil;

void Stop(QProcess& process) {
  process.terminate();
  if (!process.waitForFinished(3000)) process.kill();
  process.waitForFinished(3000);
}

TEST(TesseraEndToEnd, FirstTicksOnTheWireAndAPulledDevice) {
  const QString sim_path = BinDir() + "/tbx-sim";
  const QString tessera_path = BinDir() + "/tessera";
  ASSERT_TRUE(QFileInfo(sim_path).isExecutable()) << sim_path.toStdString();
  ASSERT_TRUE(QFileInfo(tessera_path).isExecutable()) << tessera_path.toStdString();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", dir.path());
  env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess sim, tessera;
  for (QProcess* process : {&sim, &tessera}) {
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  }
  // Serves COM7 and waits for its link; the traffic goes to the given log.
  const auto serve = [&](const QString& log) {
    QFile::remove(dir.path() + "/COM7");
    sim.start(sim_path, {"--port", "7", "--address", "9", "--no-animation", "--log", log});
    return WaitUntil([&] { return QFileInfo::exists(dir.path() + "/COM7"); }, 5000);
  };
  const auto wait_blocks = [](const QString& log, int count, QList<LoggedBlock>& blocks) {
    return WaitUntil([&] { return (blocks = ReadTrafficLog(log)).size() >= count; }, 8000);
  };
  ASSERT_TRUE(serve(dir.path() + "/first.log")) << "tbx-sim made no COM7 link";
  tessera.start(tessera_path, {"/comm=7"});

  // First tick: input, status and identify, each answered; then the next input.
  QList<LoggedBlock> blocks;
  const bool seen = wait_blocks(dir.path() + "/first.log", 7, blocks);
  if (!seen) Stop(tessera);
  ASSERT_TRUE(seen) << "only " << blocks.size() << " blocks in the traffic log";
  const char* expected[] = {"> 34 00 CB",
                            "< 34 00 00 00 00 00 00 00 90 00 00 00 00 3B",  // --address 9
                            "> 31 00 CE",
                            "< 31 00 00 00 00 00 00 00 CE",
                            "> 71 0D 00 00 81",
                            "< 71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27",
                            "> 34 00 CB"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ((blocks[i].from_host ? "> " : "< ") + ToHex(blocks[i].bytes), expected[i]);
  }

  // The device vanishes; tessera keeps running and polls it again once it is back.
  // CPU ticks tessera has used (Linux /proc): a flood of port errors would spin.
  const auto cpu_ticks = [&] {
    QFile stat(QString("/proc/%1/stat").arg(tessera.processId()));
    if (!stat.open(QIODevice::ReadOnly)) return -1LL;
    const QList<QByteArray> fields = stat.readAll().split(')').value(1).split(' ');
    return fields.value(12).toLongLong() + fields.value(13).toLongLong();  // utime + stime
  };
  Stop(sim);
  const long long before = cpu_ticks();
  EXPECT_FALSE(WaitUntil([&] { return tessera.state() != QProcess::Running; }, 1000));
  EXPECT_LT(cpu_ticks() - before, 30) << "tessera spins while the port is gone";
  ASSERT_TRUE(serve(dir.path() + "/again.log"));
  EXPECT_TRUE(wait_blocks(dir.path() + "/again.log", 2, blocks));
  EXPECT_EQ(tessera.state(), QProcess::Running) << "tessera ended";
  Stop(tessera);
  Stop(sim);
  ASSERT_GE(blocks.size(), 2);
  EXPECT_TRUE(ToHex(blocks[0].bytes).startsWith("34 "));
  EXPECT_EQ(blocks[1].bytes.size(), 14);
}

}  // namespace
