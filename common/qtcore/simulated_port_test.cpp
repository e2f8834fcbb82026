#include "common/qtcore/simulated_port.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>

#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::Hex;
using testing::WaitUntil;

// Answers every write with its bytes reversed, after an optional delay.
class ReverseModel : public DeviceModel {
 public:
  DeviceReply Receive(ByteView bytes) override {
    received.insert(received.end(), bytes.begin(), bytes.end());
    if (silent) return {};
    return {Bytes(bytes.rbegin(), bytes.rend()), delay_ms};
  }
  Bytes received;
  bool silent = false;
  int delay_ms = 0;
};

TEST(SimulatedPortTest, RepliesArriveThroughTheEventLoopNotInsideWrite) {
  ReverseModel model;
  SimulatedPort port(&model);
  QSignalSpy rx(&port, &SerialPort::BytesReceived);
  QSignalSpy tx(&port, &SerialPort::TransmitDone);
  ASSERT_TRUE(port.Open());
  ASSERT_TRUE(port.Write(Hex("31 00 CE")));
  EXPECT_EQ(port.BytesWaiting(), 0);  // nothing until events run
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 3; }, 1000));
  EXPECT_EQ(tx.count(), 1);
  EXPECT_GE(rx.count(), 1);
  EXPECT_EQ(port.Read(2), Hex("CE 00"));
  EXPECT_EQ(port.BytesWaiting(), 1);
  port.Discard();
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(port.TakeWritten(), QList<QByteArray>{Hex("31 00 CE")});
  EXPECT_TRUE(port.TakeWritten().isEmpty());
}

TEST(SimulatedPortTest, ClosedPortRefusesWritesAndDropsRepliesInFlight) {
  ReverseModel model;
  model.delay_ms = 20;
  SimulatedPort port(&model);
  EXPECT_FALSE(port.Write(Hex("01")));
  ASSERT_TRUE(port.Open());
  ASSERT_TRUE(port.Write(Hex("01 02")));
  port.Close();
  ASSERT_TRUE(port.Open());
  EXPECT_FALSE(WaitUntil([&] { return port.BytesWaiting() > 0; }, 80));
}

TEST(SimulatedPortTest, OpenFailureAndUnplugReportTheirStatus) {
  ReverseModel model;
  SimulatedPort port(&model);
  port.SetOpenFailure("Port unavailable");
  EXPECT_FALSE(port.Open());
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.StatusText(), "Port unavailable");

  port.SetOpenFailure({});
  ASSERT_TRUE(port.Open());
  QSignalSpy lost(&port, &SerialPort::Lost);
  port.Unplug();
  port.Unplug();
  EXPECT_EQ(lost.count(), 1);
  EXPECT_FALSE(port.IsOpen());
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
  // 18 bytes out and 18 back at 1745 bytes/s: about 21 ms on the line.
  ASSERT_TRUE(port.Write(QByteArray(18, '\x11')));
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 18; }, 1000));
  EXPECT_GE(clock.elapsed(), 20);
}

TEST(SimulatedPortTest, SuppressedTransmitDoneAndSilentDeviceSendNothing) {
  ReverseModel model;
  model.silent = true;
  SimulatedPort port(&model);
  port.SetSuppressTransmitDone(true);
  QSignalSpy tx(&port, &SerialPort::TransmitDone);
  QSignalSpy rx(&port, &SerialPort::BytesReceived);
  ASSERT_TRUE(port.Open());
  ASSERT_TRUE(port.Write(Hex("71 0D 00 00 81")));
  EXPECT_FALSE(WaitUntil([&] { return tx.count() + rx.count() > 0; }, 50));
  EXPECT_EQ(model.received, (std::vector<std::uint8_t>{0x71, 0x0D, 0x00, 0x00, 0x81}));
}

}  // namespace
}  // namespace common
