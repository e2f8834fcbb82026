// The loader operations through the session's link: the loader mode they enter and
// leave, polling around it, and the real settle waits.
#include "tessera/session/flash_loader.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include "common/testing/test_support.h"
#include "tessera/testing/test_unit.h"

namespace tessera::flash {
namespace {

using common::testing::ToHex;

QString Sent(common::SimulatedPort& port) {
  QStringList hex;
  for (const QByteArray& block : port.TakeWritten()) hex << ToHex(block);
  return hex.join('|');
}

TEST(FlashLoaderTest, LaunchesAndALoaderLeftRunning) {
  const struct {
    sim::TbxLoaderOptions options;
    bool find;           // FindRunningLoader instead of FlashLaunch
    std::string result;  // the launch's status, or whether a loader was found
    bool loader_mode;    // else polling runs on
  } cases[] = {
      {{}, false, "started 00", true},
      {{.start_running = true}, false, "already running 40", true},
      {{.refuse_launch = true}, false, "refused A0", false},
      {{.corrupted = {0x01}}, false, "no response 00", false},
      {{}, true, "no", false},  // a unit in normal operation ignores the probe
      {{.start_running = true}, true, "yes", true},
  };
  const char* kinds[] = {"no response", "refused", "already running", "started"};
  for (const auto& c : cases) {
    testing::TestUnit unit(c.options);
    ASSERT_TRUE(unit.session().Start("/comm=1"));
    unit.session().Loop().Timer()->stop();
    FlashLoader loader(unit.session());
    loader.SetTiming({.launch_settle_ms = 1, .reboot_settle_ms = 1});
    QSignalSpy mode(&loader, &FlashLoader::LoaderModeChanged);
    std::string result;
    if (c.find) {
      result = loader.FindRunningLoader() ? "yes" : "no";
    } else {
      const LaunchOutcome launch = loader.FlashLaunch();
      char status[4];
      std::snprintf(status, sizeof status, "%02X", launch.status);
      result = std::string(kinds[static_cast<int>(launch.kind)]) + " " + status;
    }
    SCOPED_TRACE(result);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(Sent(*unit.port), c.find ? "70 03 08 84" : "70 01 5A A5 69 26");
    EXPECT_EQ(loader.LoaderRunning(), c.loader_mode);
    EXPECT_EQ(unit.session().PollingSuspended(), c.loader_mode);
    EXPECT_EQ(mode.count(), c.loader_mode ? 1 : 0);
  }
}

// A second of quiet before the launch, half a second after the reboot: the poll
// timer runs all along but sends nothing in between. Only the lower bounds are
// checked; a loaded machine may take longer.
TEST(FlashLoaderTest, SettleWaitsAroundTheLoader) {
  testing::TestUnit unit;
  ASSERT_TRUE(unit.session().Start("/comm=1"));
  FlashLoader loader(unit.session());
  QSignalSpy mode(&loader, &FlashLoader::LoaderModeChanged);
  QTimer* poll = unit.session().Loop().Timer();
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(loader.FlashLaunch().ok());
  EXPECT_GE(clock.elapsed(), 1000);
  EXPECT_FALSE(poll->isActive());
  EXPECT_EQ(Sent(*unit.port), "70 01 5A A5 69 26");  // no poll in the quiet second

  // More than the loader's 32-byte buffer: nothing is sent.
  EXPECT_FALSE(loader.FlashProgramRecord(0, common::Bytes(33, 0)).has_value());
  EXPECT_EQ(Sent(*unit.port), "");

  clock.restart();
  EXPECT_TRUE(loader.FlashReboot());
  EXPECT_GE(clock.elapsed(), 500);
  EXPECT_EQ(Sent(*unit.port), "70 06 89");
  EXPECT_TRUE(poll->isActive());
  EXPECT_FALSE(loader.LoaderRunning());
  ASSERT_EQ(mode.count(), 2);
  EXPECT_FALSE(mode[1][0].toBool());
  poll->stop();
}

}  // namespace
}  // namespace tessera::flash
