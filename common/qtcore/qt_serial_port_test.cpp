#include "common/qtcore/qt_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "common/qtcore/event_wait.h"
#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::Hex;
using testing::WaitUntil;

// One pseudo-terminal, its slave linked as a port name.
class Pty {
 public:
  Pty() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    ::grantpt(master_);
    ::unlockpt(master_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() { ::close(master_); }
  bool Link(const QString& path) const {
    QFile::remove(path);
    return QFile::link(::ptsname(master_), path);
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

  QTemporaryDir dir_;
  testing::EnvScope com_dir_{"CABINET_COM_DIR", dir_.path().toLocal8Bit()};
};

TEST_F(QtSerialPortTest, BytesPassUnchangedBothWays) {
  Pty pty;
  ASSERT_TRUE(pty.Link(Com(3)));
  QtSerialPort port;
  ASSERT_TRUE(port.SetSettings("19200,E,8,1"));
  port.SetPortNumber(3);
  ASSERT_TRUE(port.Open()) << port.StatusText().toStdString();
  QSignalSpy tx(&port, &SerialPort::TransmitDone);
  // Every byte value, including CR, LF, XON/XOFF and 0xFF, must pass raw.
  QByteArray all;
  for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
  ASSERT_TRUE(port.Write(all));
  EXPECT_EQ(pty.Read(256), all);
  EXPECT_TRUE(WaitUntil([&] { return tx.count() >= 1; }, 1000));
  pty.Send(all);
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() >= 256; }, 2000));
  EXPECT_EQ(port.Read(256), all);
  pty.Send(Hex("01 02 03"));
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 3; }, 2000));
  port.Discard();
  EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(QtSerialPortTest, OpenFailuresNameTheirCause) {
  ASSERT_TRUE(QFile::link(dir_.path() + "/unplugged-adapter", Com(4)));
  QFile plain(dir_.path() + "/not-a-tty");  // takes no line settings at all
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  ASSERT_TRUE(QFile::link(plain.fileName(), Com(7)));
  Pty pty;  // open already through another link
  ASSERT_TRUE(pty.Link(Com(5)) && pty.Link(Com(6)));
  QtSerialPort first;
  first.SetPortNumber(5);
  ASSERT_TRUE(first.Open());
  const struct {
    int number;
    const char* status;
    const char* detail;
  } cases[] = {
      {0, "Port not found", ""},
      {250, "Port not found", ""},  // no link, and no /dev/ttyS249
      {4, "Port not found", "unplugged-adapter"},
      {7, "Port unavailable", "COM7 ("},
      {7, "Port unavailable", "at 19200,E,8,1: "},
      {6, "Port unavailable", ""},
  };
  for (const auto& c : cases) {
    QtSerialPort port;
    if (c.number == 7) port.SetSettings("19200,E,8,1");  // shown in the detail
    port.SetPortNumber(c.number);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.StatusText(), c.status) << c.number;
    EXPECT_TRUE(port.ErrorDetail().contains(c.detail)) << port.ErrorDetail().toStdString();
  }
}

// A pulled adapter: the port closes once (no storm of errors) and opens again on
// a write once the device is back.
TEST_F(QtSerialPortTest, VanishedDeviceClosesOnceAndReopensWhenBack) {
  auto pty = std::make_unique<Pty>();
  ASSERT_TRUE(pty->Link(Com(7)));
  QtSerialPort port;
  port.SetPortNumber(7);
  ASSERT_TRUE(port.Open());
  QSignalSpy lost(&port, &SerialPort::Lost);
  pty.reset();
  ASSERT_TRUE(QFile::remove(Com(7)) && QFile::link(dir_.path() + "/pulled-adapter", Com(7)));
  port.Write(Hex("31 00 CE"));  // Qt 6.8 reports a hung-up line only on a write
  ASSERT_TRUE(WaitUntil([&] { return lost.count() >= 1; }, 2000));
  EXPECT_FALSE(WaitUntil([&] { return lost.count() > 1; }, 100));
  EXPECT_EQ(port.StatusText(), "Disconnected");
  Pty back;
  ASSERT_TRUE(back.Link(Com(7)));
  ASSERT_TRUE(WaitUntil([&] { return port.Write(Hex("31 00 CE")); }, 3000));
  EXPECT_EQ(back.Read(3), Hex("31 00 CE"));
}

// A line that floods while nobody reads: the port stops taking bytes at its bound.
TEST_F(QtSerialPortTest, ReadBufferStaysBoundedUnderAFlood) {
  Pty pty;
  ASSERT_TRUE(pty.Link(Com(9)));
  QtSerialPort port;
  port.SetPortNumber(9);
  ASSERT_TRUE(port.Open());
  qint64 sent = 0;
  for (int refused = 0; refused < 50 && sent < 4 * QtSerialPort::kReadBufferBytes;) {
    const qint64 n = pty.Send(QByteArray(4096, '\0'));
    sent += n;
    refused = n == 0 ? refused + 1 : 0;
    Delay(n == 0 ? 2 : 0);
  }
  EXPECT_LE(port.BytesWaiting(), QtSerialPort::kReadBufferBytes);
  EXPECT_LT(sent, 4 * QtSerialPort::kReadBufferBytes) << "the line kept taking bytes";
}

// An adapter missing at start-up: after the failed open the port keeps trying on
// writes, the first time a second after it was asked to, and opens once it is there.
TEST_F(QtSerialPortTest, MissingAtStartOpensOnceItAppears) {
  QtSerialPort port;
  port.SetPortNumber(8);
  ASSERT_FALSE(port.Open());
  QSignalSpy reopened(&port, &SerialPort::Reopened);
  QElapsedTimer clock;
  clock.start();
  port.ReopenWhenPresent();
  Pty pty;
  ASSERT_TRUE(pty.Link(Com(8)));
  EXPECT_FALSE(port.Write(Hex("7E 01 13 3C 06 D8 7E")));  // held back: the open just failed
  ASSERT_TRUE(WaitUntil([&] { return port.Write(Hex("7E 01 13 3C 06 D8 7E")); }, 3000));
  EXPECT_GE(clock.elapsed(), QtSerialPort::kReopenIntervalMs - 50);
  EXPECT_EQ(reopened.count(), 1);
  EXPECT_EQ(pty.Read(7), Hex("7E 01 13 3C 06 D8 7E"));
  port.Close();  // closing on purpose (another port chosen) ends the trying
  EXPECT_FALSE(port.Write(Hex("31 00 CE")));
}

}  // namespace
}  // namespace common
