// The loader operations through the session's link: the loader mode they enter and
// leave, polling around it, and the real settle waits. Each launch outcome is met by
// the update's tests.
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
