#include "common/qtcore/simulated_port.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>

#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::Hex;
using testing::WaitUntil;

// Answers every write with its bytes reversed, 20 ms later.
struct ReverseModel : DeviceModel {
  DeviceReply Receive(ByteView bytes) override { return {Bytes(bytes.rbegin(), bytes.rend()), 20}; }
};

TEST(SimulatedPortTest, RepliesArriveThroughTheEventLoopAndNotAfterAClose) {
  ReverseModel model;
  SimulatedPort port(&model);
  EXPECT_FALSE(port.Write(Hex("01")));
  ASSERT_TRUE(port.Open());
  ASSERT_TRUE(port.Write(Hex("31 00 CE")));
  EXPECT_EQ(port.BytesWaiting(), 0);  // nothing until events run
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 3; }, 1000));
  EXPECT_EQ(port.Read(2), Hex("CE 00"));
  EXPECT_EQ(port.BytesWaiting(), 1);
  ASSERT_TRUE(port.Write(Hex("01 02")));
  port.Close();  // the reply in flight is dropped
  ASSERT_TRUE(port.Open());
  EXPECT_FALSE(WaitUntil([&] { return port.BytesWaiting() > 0; }, 80));
}

TEST(SimulatedPortTest, OpenFailureAndUnplugReportTheirStatus) {
  ReverseModel model;
  SimulatedPort port(&model);
  port.SetOpenFailure("Port unavailable");
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.StatusText(), "Port unavailable");
  port.SetOpenFailure({});
  ASSERT_TRUE(port.Open());
  QSignalSpy lost(&port, &SerialPort::Lost);
  port.Unplug();
  port.Unplug();
  EXPECT_EQ(lost.count(), 1);
  EXPECT_EQ(port.StatusText(), "Disconnected");
  EXPECT_FALSE(port.Write(Hex("01")));
}

TEST(SimulatedPortTest, PacedRepliesTakeTheirLineTime) {
  ReverseModel model;
  SimulatedPort port(&model);
  ASSERT_TRUE(port.SetSettings("19200,E,8,1"));
  port.SetPaced(true);
  ASSERT_TRUE(port.Open());
  QElapsedTimer clock;
  clock.start();
  // 100 bytes out and 100 back at 1745 bytes/s: about 115 ms on the line.
  ASSERT_TRUE(port.Write(QByteArray(100, '\x11')));
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 100; }, 1000));
  EXPECT_GE(clock.elapsed(), 20 + 110);
}

}  // namespace
}  // namespace common
