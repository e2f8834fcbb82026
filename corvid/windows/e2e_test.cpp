// The real corvid executable against switchpack-sim on a pseudo-terminal: the first
// frames on the wire after start-up.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"
#include "corvid/link/settings_store.h"

namespace corvid::monitor {
namespace {

using namespace common::testing;

TEST(CorvidEndToEnd, FirstFramesOnTheWire) {
  const QString sim_path = BinDir() + "/switchpack-sim", corvid_path = BinDir() + "/corvid";
  ASSERT_TRUE(QFileInfo(sim_path).isExecutable()) << sim_path.toStdString();
  ASSERT_TRUE(QFileInfo(corvid_path).isExecutable()) << corvid_path.toStdString();
  QTemporaryDir tmp;
  const QString com_dir = tmp.filePath("com"), config_dir = tmp.filePath("config");
  const QString log_path = tmp.filePath("traffic.log");
  ASSERT_TRUE(QDir().mkpath(com_dir));
  // The program's per-user store under this XDG_CONFIG_HOME: port 9.
  SettingsStore(config_dir + "/" + kOrganisationName + "/" + kApplicationName + ".conf")
      .SavePortNumber(9);

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", com_dir);
  env.insert("XDG_CONFIG_HOME", config_dir);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess sim, corvid;
  sim.setProcessEnvironment(env);
  corvid.setProcessEnvironment(env);
  sim.start(sim_path, {"--port", "9", "--log", log_path});
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo(com_dir + "/COM9").exists(); }, 5000))
      << "no COM9 link";
  corvid.start(corvid_path, {});
  auto blocks = [&](bool from_host) {
    QStringList out;
    for (const auto& block : ReadTrafficLog(log_path))
      if (block.from_host == from_host) out << ToHex(block.bytes);
    return out;
  };
  const bool traffic = WaitUntil([&] { return blocks(true).size() >= 4; }, 10000);
  corvid.kill();
  corvid.waitForFinished(5000);
  sim.terminate();
  sim.waitForFinished(5000);
  ASSERT_TRUE(traffic) << "corvid stderr: " << corvid.readAllStandardError().toStdString();
  // Identification, diagnostic, then status with all six outputs disabled, twice.
  EXPECT_EQ(blocks(true).mid(0, 4),
            (QStringList{"7E 01 13 3C 06 D8 7E", "7E 01 13 7B BD EE 7E",
                         "7E 01 13 01 80 BF 33 B9 7E", "7E 01 13 01 80 BF 33 B9 7E"}));
  EXPECT_GE(blocks(false).size(), 3);  // and the device answered
}

}  // namespace
}  // namespace corvid::monitor
