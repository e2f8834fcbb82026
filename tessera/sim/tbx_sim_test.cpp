// tbx-sim's argument errors; the panel's end-to-end test serves through it.
#include <gtest/gtest.h>

#include <QProcess>

#include "common/testing/test_support.h"

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

}  // namespace
}  // namespace tessera::sim
