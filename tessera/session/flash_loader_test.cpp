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
  // No poll in the quiet second; more than the loader's 32-byte buffer: nothing is sent.
  ASSERT_TRUE(loader.FlashLaunch().ok());
  EXPECT_EQ(std::tuple(clock.elapsed() >= 1000, poll->isActive(), Sent(*unit.port)),
            std::tuple(true, false, "70 01 5A A5 69 26"));
  EXPECT_FALSE(loader.FlashProgramRecord(0, common::Bytes(33, 0)).has_value());
  clock.restart();
  EXPECT_TRUE(loader.FlashReboot());
  EXPECT_EQ(std::tuple(clock.elapsed() >= 500, Sent(*unit.port), poll->isActive(),
                       loader.LoaderRunning(), testing::Firsts(mode)),
            std::tuple(true, "70 06 89", true, false, QVariantList{true, false}));
  poll->stop();
}

}  // namespace
}  // namespace tessera::flash
