// The real corvid executable against switchpack-sim on a pseudo-terminal: the first
// frames on the wire after start-up.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"
#include "corvid/link/link_settings.h"

namespace corvid::monitor {
namespace {

using common::testing::BinDir;
using common::testing::Hex;
using common::testing::ReadTrafficLog;
using common::testing::ToHex;
using common::testing::WaitUntil;

class Process {
 public:
  ~Process() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(2000);
    }
  }
  QProcess process;
};

TEST(CorvidEndToEnd, FirstFramesOnTheWire) {
  const QString sim_path = BinDir() + "/switchpack-sim";
  const QString corvid_path = BinDir() + "/corvid";
  if (!QFileInfo::exists(sim_path) || !QFileInfo::exists(corvid_path))
    GTEST_SKIP() << "switchpack-sim or corvid not built in " << BinDir().toStdString();

  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const QString com_dir = tmp.filePath("com");
  const QString config_dir = tmp.filePath("config");
  ASSERT_TRUE(QDir().mkpath(com_dir));
  ASSERT_TRUE(QDir().mkpath(config_dir));
  {
    // Where the program's per-user store lives under this XDG_CONFIG_HOME.
    SettingsStore store(config_dir + "/" + kOrganisationName + "/" + kApplicationName + ".conf");
    store.SavePortNumber(9);
  }
  const QString log_path = tmp.filePath("traffic.log");

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", com_dir);
  env.insert("XDG_CONFIG_HOME", config_dir);
  env.insert("QT_QPA_PLATFORM", "offscreen");

  Process sim;
  sim.process.setProcessEnvironment(env);
  sim.process.start(sim_path, {"--port", "9", "--log", log_path});
  ASSERT_TRUE(sim.process.waitForStarted(5000));
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo(com_dir + "/COM9").exists(); }, 5000))
      << "the simulator made no COM9 link";

  Process corvid;
  corvid.process.setProcessEnvironment(env);
  corvid.process.start(corvid_path, {});
  ASSERT_TRUE(corvid.process.waitForStarted(5000));

  auto host_blocks = [&] {
    QList<QByteArray> out;
    for (const auto& block : ReadTrafficLog(log_path))
      if (block.from_host) out << block.bytes;
    return out;
  };
  ASSERT_TRUE(WaitUntil([&] { return host_blocks().size() >= 4; }, 10000))
      << "no traffic; corvid stderr: " << corvid.process.readAllStandardError().toStdString();

  // Identification, diagnostic, then status with all six outputs disabled.
  const QList<QByteArray> sent = host_blocks();
  EXPECT_EQ(ToHex(sent[0]), ToHex(Hex("7E 01 13 3C 06 D8 7E")));
  EXPECT_EQ(ToHex(sent[1]), ToHex(Hex("7E 01 13 7B BD EE 7E")));
  EXPECT_EQ(ToHex(sent[2]), ToHex(Hex("7E 01 13 01 80 BF 33 B9 7E")));
  EXPECT_EQ(ToHex(sent[3]), ToHex(Hex("7E 01 13 01 80 BF 33 B9 7E")));  // next tick: status

  // The device answered them.
  int answers = 0;
  for (const auto& block : ReadTrafficLog(log_path)) answers += block.from_host ? 0 : 1;
  EXPECT_GE(answers, 3);

  corvid.process.kill();
  EXPECT_TRUE(corvid.process.waitForFinished(5000));
  sim.process.terminate();
  EXPECT_TRUE(sim.process.waitForFinished(5000));
}

}  // namespace
}  // namespace corvid::monitor
