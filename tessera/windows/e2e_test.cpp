// The real tessera executable against tbx-sim on a pseudo-terminal: the bytes on
// the wire of the first ticks, through QSerialPort and the whole start-up. A device
// that goes away and comes back is one of the fault runs.
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

TEST(TesseraEndToEnd, FirstTicksOnTheWire) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", dir.path());
  env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess sim, tessera;
  sim.setProcessEnvironment(env);
  tessera.setProcessEnvironment(env);
  const QString log = dir.filePath("traffic.log");
  sim.start(BinDir() + "/tbx-sim",
            {"--port", "7", "--address", "9", "--no-animation", "--log", log});
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(dir.filePath("COM7")); }, 5000));
  tessera.start(BinDir() + "/tessera", {"/comm=7"});

  // First tick: input, status and identify, each answered; then the next input.
  QList<LoggedBlock> blocks;
  EXPECT_TRUE(WaitUntil([&] { return (blocks = ReadTrafficLog(log)).size() >= 7; }, 8000));
  for (QProcess* process : {&tessera, &sim}) {
    process->terminate();
    process->waitForFinished(3000);
  }
  ASSERT_GE(blocks.size(), 7) << "blocks in the traffic log";
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
}

}  // namespace
