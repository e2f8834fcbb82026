// The real tessera executable against tbx-sim on a pseudo-terminal: the bytes on
// the wire of the first ticks, through QSerialPort and the whole start-up.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"

namespace {

using common::testing::BinDir;
using common::testing::ToHex;

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
  QProcess sim, tessera;
  for (QProcess* process : {&sim, &tessera}) {
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  }
  sim.start(sim_path, {"--port", "7", "--log", log});
  ASSERT_TRUE(common::testing::WaitUntil([&] { return QFileInfo::exists(dir.path() + "/COM7"); },
                                         5000))
      << "tbx-sim made no COM7 link";
  tessera.start(tessera_path, {"/comm=7"});

  // First tick: input, status and identify, each answered; then the next input.
  QList<common::testing::LoggedBlock> blocks;
  const bool seen = common::testing::WaitUntil(
      [&] { return (blocks = common::testing::ReadTrafficLog(log)).size() >= 7; }, 8000);
  EXPECT_EQ(tessera.state(), QProcess::Running) << "tessera ended early";
  for (QProcess* process : {&tessera, &sim}) {
    process->terminate();
    if (!process->waitForFinished(3000)) process->kill();
    process->waitForFinished(3000);
  }
  ASSERT_TRUE(seen) << "only " << blocks.size() << " blocks in the traffic log";

  const char* expected[] = {"34 00 CB", "34", "31 00 CE", "31", "71 0D 00 00 81", "71 0D 00",
                            "34 00 CB"};
  const int answer_sizes[] = {0, 14, 0, 9, 0, 15, 0};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(blocks[i].from_host, answer_sizes[i] == 0) << i;
    if (answer_sizes[i] == 0) {
      EXPECT_EQ(ToHex(blocks[i].bytes), expected[i]) << i;
      continue;
    }
    // Every answer is a whole, valid frame of the request's kind.
    EXPECT_EQ(blocks[i].bytes.size(), answer_sizes[i]) << i;
    EXPECT_TRUE(ToHex(blocks[i].bytes).startsWith(expected[i])) << i;
    std::uint8_t sum = 0;
    for (char byte : blocks[i].bytes) sum += static_cast<std::uint8_t>(byte);
    EXPECT_EQ(sum, 0xFF) << i;
  }
}

}  // namespace
