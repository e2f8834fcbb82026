// tbx-sim as a process: argument errors, and a real exchange through a pty.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "common/prompts.h"
#include "common/qt_serial_port.h"
#include "common/testing/test_support.h"
#include "tessera/link/unit_link.h"

namespace tessera::sim {
namespace {

QString SimPath() { return common::testing::BinDir() + "/tbx-sim"; }

TEST(TbxSimTest, BadArgumentsGiveUsageAndExitCode2) {
  const QStringList cases[] = {
      {},
      {"--port"},
      {"--port", "x"},
      {"--port", "0"},
      {"--port", "3", "--address", "16"},
      {"--port", "3", "--comm-version", "1FF"},
      {"--port", "3", "--delay", "-5"},
      {"--port", "3", "--drop-every", "0"},
      {"--port", "3", "--drop-rate", "1.5"},
      {"--port", "3", "--bogus"},
  };
  for (const QStringList& args : cases) {
    QProcess sim;
    sim.start(SimPath(), args);
    ASSERT_TRUE(sim.waitForFinished(5000)) << args.join(' ').toStdString();
    EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
    EXPECT_TRUE(sim.readAllStandardError().contains("usage: tbx-sim"));
  }
}

TEST(TbxSimTest, ServesTheUnitOnAPty) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString log = dir.filePath("traffic.log");
  QProcess sim;
  sim.start(SimPath(), {"--port", "7", "--port-dir", dir.path(), "--address", "9",
                        "--comm-version", "21", "--log", log});
  ASSERT_TRUE(sim.waitForStarted(5000));
  ASSERT_TRUE(common::testing::WaitUntil(
      [&] { return sim.state() != QProcess::Running || sim.canReadLine(); }, 5000));
  EXPECT_TRUE(sim.readLine().startsWith("COM7 -> "));

  qputenv("CABINET_COM_DIR", dir.path().toLocal8Bit());
  {
    common::QtSerialPort port;
    port.SetSettings("19200,E,8,1");
    port.SetPortNumber(7);
    ASSERT_TRUE(port.Open()) << port.ErrorDetail().toStdString();
    common::ScriptedPrompts prompts;
    UnitIdentity identity;
    UnitLink link(port, prompts, identity);

    const Frame input = link.Exchange(InputRequest({}), kInputResponse);
    ASSERT_EQ(input.size(), 14u);
    EXPECT_EQ(UnitAddressOf(input), 9);
    EXPECT_TRUE(link.SendKalRmsFrame());
    EXPECT_EQ(identity.CommVersion, 0x21);
    port.Close();
  }
  qunsetenv("CABINET_COM_DIR");

  ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 0);

  const QList<common::testing::LoggedBlock> traffic = common::testing::ReadTrafficLog(log);
  ASSERT_GE(traffic.size(), 4);
  EXPECT_TRUE(traffic[0].from_host);
  EXPECT_EQ(common::testing::ToHex(traffic[0].bytes), "34 00 CB");
  EXPECT_FALSE(traffic[1].from_host);
  EXPECT_EQ(traffic[1].bytes.size(), 14);
  EXPECT_EQ(common::testing::ToHex(traffic[2].bytes), "71 0D 00 00 81");
}

}  // namespace
}  // namespace tessera::sim
