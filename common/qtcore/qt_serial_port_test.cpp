#include "common/qtcore/qt_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "common/qtcore/event_wait.h"
#include "common/qtcore/port_names.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::Hex;
using testing::WaitUntil;

// One pseudo-terminal, its slave linked as a port name.
class Pty {
 public:
  explicit Pty(const QString& link) : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    ::grantpt(master_);
    ::unlockpt(master_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    Link(link);
  }
  ~Pty() { ::close(master_); }
  void Link(const QString& path) const {
    QFile::remove(path);
    EXPECT_TRUE(QFile::link(::ptsname(master_), path)) << path.toStdString();
  }
  // Waits for `n` bytes from the port.
  QByteArray Read(int n) const {
    QByteArray got;
    char buf[512];
    WaitUntil(
        [&] {
          const ssize_t k = ::read(master_, buf, sizeof buf);
          if (k > 0) got.append(buf, k);
          return got.size() >= n;
        },
        2000);
    return got;
  }
  // As much of `bytes` as the line takes now (0 when it is full).
  qint64 Send(const QByteArray& bytes) const {
    const ssize_t n = ::write(master_, bytes.constData(), bytes.size());
    return n > 0 ? n : 0;
  }

 private:
  int master_;
};

class QtSerialPortTest : public ::testing::Test {
 protected:
  QString Com(int n) const { return dir_.path() + QStringLiteral("/COM%1").arg(n); }
  bool Open(int n) {
    port_.SetPortNumber(n);
    return port_.Open();
  }

  QTemporaryDir dir_;
  testing::EnvScope com_dir_{"CABINET_COM_DIR", dir_.path().toLocal8Bit()};
  QtSerialPort port_;
};

TEST_F(QtSerialPortTest, BytesPassUnchangedBothWays) {
  Pty pty(Com(3));
  ASSERT_TRUE(port_.SetSettings("19200,E,8,1"));
  ASSERT_TRUE(Open(3)) << port_.StatusText().toStdString();
  QSignalSpy tx(&port_, &SerialPort::TransmitDone);
  // Every byte value, including CR, LF, XON/XOFF and 0xFF, must pass raw.
  QByteArray all;
  for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
  ASSERT_TRUE(port_.Write(all));
  EXPECT_EQ(pty.Read(256), all);
  EXPECT_TRUE(WaitUntil([&] { return tx.count() >= 1; }, 1000));
  pty.Send(all);
  ASSERT_TRUE(WaitUntil([&] { return port_.BytesWaiting() >= 256; }, 2000));
  EXPECT_EQ(port_.Read(256), all);
  pty.Send(Hex("01 02 03"));
  ASSERT_TRUE(WaitUntil([&] { return port_.BytesWaiting() == 3; }, 2000));
  port_.Discard();
  EXPECT_EQ(port_.BytesWaiting(), 0);
}

TEST_F(QtSerialPortTest, OpenFailuresNameTheirCause) {
  ASSERT_TRUE(QFile::link(dir_.path() + "/unplugged-adapter", Com(4)));
  QFile plain(dir_.path() + "/not-a-tty");  // takes no line settings at all
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  ASSERT_TRUE(QFile::link(plain.fileName(), Com(7)));
  Pty pty(Com(5));  // open already through another link
  pty.Link(Com(6));
  ASSERT_TRUE(Open(5));
  const struct {
    int number;
    const char* status;
    const char* detail;
  } cases[] = {{0, "Port not found", ""},
               {250, "Port not found", ""},  // no link, and no /dev/ttyS249
               {4, "Port not found", "unplugged-adapter"},
               {7, "Port unavailable", "COM7 ("},
               {7, "Port unavailable", "at 19200,E,8,1: "},
               {6, "Port unavailable", ""}};
  for (const auto& c : cases) {
    QtSerialPort port;
    if (c.number == 7) port.SetSettings("19200,E,8,1");  // shown in the detail
    port.SetPortNumber(c.number);
    EXPECT_FALSE(port.Open() || port.IsOpen());
    EXPECT_EQ(port.StatusText(), c.status) << c.number;
    EXPECT_TRUE(port.ErrorDetail().contains(c.detail)) << port.ErrorDetail().toStdString();
  }
}

// A pulled adapter: the port closes once (no storm of errors) and opens again on
// a write once the device is back.
TEST_F(QtSerialPortTest, VanishedDeviceClosesOnceAndReopensWhenBack) {
  auto pty = std::make_unique<Pty>(Com(7));
  ASSERT_TRUE(Open(7));
  QSignalSpy lost(&port_, &SerialPort::Lost);
  pty.reset();
  ASSERT_TRUE(QFile::remove(Com(7)) && QFile::link(dir_.path() + "/pulled-adapter", Com(7)));
  port_.Write(Hex("31 00 CE"));  // Qt 6.8 reports a hung-up line only on a write
  ASSERT_TRUE(WaitUntil([&] { return lost.count() >= 1; }, 2000));
  EXPECT_FALSE(WaitUntil([&] { return lost.count() > 1; }, 100));
  EXPECT_EQ(port_.StatusText(), "Disconnected");
  Pty back(Com(7));
  ASSERT_TRUE(WaitUntil([&] { return port_.Write(Hex("31 00 CE")); }, 3000));
  EXPECT_EQ(back.Read(3), Hex("31 00 CE"));
}

// A line that floods while nobody reads: the port stops taking bytes at its bound.
TEST_F(QtSerialPortTest, ReadBufferStaysBoundedUnderAFlood) {
  Pty pty(Com(9));
  ASSERT_TRUE(Open(9));
  qint64 sent = 0;
  for (int refused = 0; refused < 50 && sent < 4 * QtSerialPort::kReadBufferBytes;) {
    const qint64 n = pty.Send(QByteArray(4096, '\0'));
    sent += n;
    refused = n == 0 ? refused + 1 : 0;
    Delay(n == 0 ? 2 : 0);
  }
  EXPECT_LE(port_.BytesWaiting(), QtSerialPort::kReadBufferBytes);
  EXPECT_LT(sent, 4 * QtSerialPort::kReadBufferBytes) << "the line kept taking bytes";
}

// An adapter missing at start-up: after the failed open the port keeps trying on
// writes, the first time a second after it was asked to, and opens once it is there.
TEST_F(QtSerialPortTest, MissingAtStartOpensOnceItAppears) {
  ASSERT_FALSE(Open(8));
  QSignalSpy reopened(&port_, &SerialPort::Reopened);
  QElapsedTimer clock;
  clock.start();
  port_.ReopenWhenPresent();
  Pty pty(Com(8));
  const QByteArray frame = Hex("7E 01 13 3C 06 D8 7E");
  EXPECT_FALSE(port_.Write(frame));  // held back: the open just failed
  ASSERT_TRUE(WaitUntil([&] { return port_.Write(frame); }, 3000));
  EXPECT_GE(clock.elapsed(), QtSerialPort::kReopenIntervalMs - 50);
  EXPECT_EQ(reopened.count(), 1);
  EXPECT_EQ(pty.Read(7), frame);
  port_.Close();  // closing on purpose (another port chosen) ends the trying
  EXPECT_FALSE(port_.Write(frame));
}

// Without a link in the port directory a number names the serial device.
TEST_F(QtSerialPortTest, PortNumbersWithoutALinkAreSerialDevices) {
  EXPECT_EQ(PortDeviceName(1), "/dev/ttyS0");
  EXPECT_EQ(PortDeviceName(12), "/dev/ttyS11");
  EXPECT_EQ(PortDeviceName(0), "");
}

TEST(PortNamesTest, DefaultDirectoryFollowsTheConfigHome) {
  testing::EnvScope com_dir("CABINET_COM_DIR", {});
  {
    testing::EnvScope home("XDG_CONFIG_HOME", "/tmp/cfg-home");
    EXPECT_EQ(PortDirectory(), "/tmp/cfg-home/cabinet-tools/com");
  }
  testing::EnvScope home("XDG_CONFIG_HOME", {});
  EXPECT_EQ(PortDirectory(), QDir::homePath() + "/.config/cabinet-tools/com");
}

// Answers every write with its bytes reversed, 20 ms later.
struct ReverseModel : DeviceModel {
  DeviceReply Receive(ByteView bytes) override { return {Bytes(bytes.rbegin(), bytes.rend()), 20}; }
};
class SimulatedPortTest : public ::testing::Test {
 protected:
  ReverseModel model_;
  SimulatedPort port{&model_};
};

TEST_F(SimulatedPortTest, RepliesArriveThroughTheEventLoopAndNotAfterAClose) {
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

TEST_F(SimulatedPortTest, OpenFailureAndUnplugReportTheirStatus) {
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

TEST_F(SimulatedPortTest, PacedRepliesTakeTheirLineTime) {
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
