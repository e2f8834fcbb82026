// tbx-sim as a process: argument errors, and real exchanges through a pty that
// goes away and comes back.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <memory>

#include "common/prompts.h"
#include "common/qt_serial_port.h"
#include "common/testing/test_support.h"
#include "tessera/link/unit_link.h"

namespace tessera::sim {
namespace {

QString SimPath() { return common::testing::BinDir() + "/tbx-sim"; }

TEST(TbxSimTest, BadArgumentsGiveUsageAndExitCode2) {
  const QStringList cases[] = {{},
                               {"--port", "0"},
                               {"--port", "3", "--address", "16"},
                               {"--port", "3", "--comm-version", "1FF"},
                               {"--port", "3", "--bogus"}};
  for (const QStringList& args : cases) {
    QProcess sim;
    sim.start(SimPath(), args);
    ASSERT_TRUE(sim.waitForFinished(5000)) << args.join(' ').toStdString();
    EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
    EXPECT_TRUE(sim.readAllStandardError().contains("usage: tbx-sim"));
  }
}

// Starts tbx-sim on COM7 of dir and waits for its link.
std::unique_ptr<QProcess> StartSim(const QTemporaryDir& dir, const QString& log) {
  auto sim = std::make_unique<QProcess>();
  sim->start(SimPath(), {"--port", "7", "--port-dir", dir.path(), "--address", "9",
                         "--comm-version", "21", "--log", log});
  EXPECT_TRUE(sim->waitForStarted(5000));
  EXPECT_TRUE(common::testing::WaitUntil(
      [&] { return sim->state() != QProcess::Running || sim->canReadLine(); }, 5000));
  EXPECT_TRUE(sim->readLine().startsWith("COM7 -> "));
  return sim;
}

void StopSim(QProcess& sim) {
  ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 0);
}

TEST(TbxSimTest, ServesTheUnitOnAPtyThatMayVanish) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString log = dir.filePath("traffic.log");
  std::unique_ptr<QProcess> sim = StartSim(dir, log);
  qputenv("CABINET_COM_DIR", dir.path().toLocal8Bit());
  common::QtSerialPort port;
  port.SetSettings("19200,E,8,1");
  port.SetPortNumber(7);
  ASSERT_TRUE(port.Open()) << port.ErrorDetail().toStdString();
  common::ScriptedPrompts prompts;
  UnitIdentity identity;
  UnitLink link(port, prompts, identity);
  const auto input = [&] { return link.Exchange(InputRequest({}), kInputResponse); };

  const Frame rx = input();
  ASSERT_EQ(rx.size(), 14u);
  EXPECT_EQ(UnitAddressOf(rx), 9);
  EXPECT_TRUE(link.SendKalRmsFrame());
  EXPECT_EQ(identity.CommVersion, 0x21);
  const QList<common::testing::LoggedBlock> traffic = common::testing::ReadTrafficLog(log);
  ASSERT_GE(traffic.size(), 4);
  EXPECT_TRUE(traffic[0].from_host);
  EXPECT_EQ(common::testing::ToHex(traffic[0].bytes), "34 00 CB");
  EXPECT_EQ(traffic[1].bytes.size(), 14);
  EXPECT_EQ(common::testing::ToHex(traffic[2].bytes), "71 0D 00 00 81");

  // The device goes away: exchanges fail without a hang and without a box.
  StopSim(*sim);
  for (int i = 0; i < 3; ++i) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(input().empty());
    EXPECT_LT(clock.elapsed(), 700);
  }
  EXPECT_FALSE(port.IsOpen());  // closed once, not left flooding read errors
  // It comes back on the same COM7: a later exchange reopens the port.
  sim = StartSim(dir, log);
  EXPECT_TRUE(common::testing::WaitUntil([&] { return input().size() == 14; }, 5000));
  EXPECT_TRUE(prompts.shown().empty());
  port.Close();
  qunsetenv("CABINET_COM_DIR");
  StopSim(*sim);
}

}  // namespace
}  // namespace tessera::sim
