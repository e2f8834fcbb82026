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

// One pseudo-terminal whose slave is linked as COMn in a temporary port directory.
class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
      slave_ = ::ptsname(master_);
      ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
  }
  ~Pty() { Close(); }
  void Close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  bool Link(const QString& path) const {
    QFile::remove(path);
    return QFile::link(slave_, path);
  }
  QByteArray ReadAll() const {
    char buf[256];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    return n > 0 ? QByteArray(buf, static_cast<int>(n)) : QByteArray();
  }
  void Send(const QByteArray& bytes) const {
    ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size());
  }
  // As much of `bytes` as the line takes now (0 when it is full).
  qint64 Offer(const QByteArray& bytes) const {
    const ssize_t n = ::write(master_, bytes.constData(), bytes.size());
    return n > 0 ? n : 0;
  }

 private:
  int master_ = -1;
  QString slave_;
};

class QtSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    saved_ = qgetenv("CABINET_COM_DIR");
    qputenv("CABINET_COM_DIR", dir_.path().toLocal8Bit());
  }
  void TearDown() override {
    if (saved_.isNull()) {
      qunsetenv("CABINET_COM_DIR");
    } else {
      qputenv("CABINET_COM_DIR", saved_);
    }
  }
  QString Com(int n) const { return dir_.path() + QStringLiteral("/COM%1").arg(n); }

  QTemporaryDir dir_;
  QByteArray saved_;
};

TEST_F(QtSerialPortTest, BytesPassUnchangedBothWays) {
  Pty pty;
  ASSERT_TRUE(pty.Link(Com(3)));
  QtSerialPort port;
  ASSERT_TRUE(port.SetSettings("19200,E,8,1"));
  port.SetPortNumber(3);
  ASSERT_TRUE(port.Open()) << port.StatusText().toStdString();
  QSignalSpy tx(&port, &SerialPort::TransmitDone);
  QSignalSpy rx(&port, &SerialPort::BytesReceived);

  // Every byte value, including CR, LF, XON/XOFF and 0xFF, must pass raw.
  QByteArray all;
  for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
  ASSERT_TRUE(port.Write(all));
  QByteArray got;
  ASSERT_TRUE(WaitUntil([&] { return (got += pty.ReadAll()).size() >= 256; }, 2000));
  EXPECT_EQ(got, all);
  EXPECT_TRUE(WaitUntil([&] { return tx.count() >= 1; }, 1000));

  pty.Send(all);
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() >= 256; }, 2000));
  EXPECT_GE(rx.count(), 1);
  EXPECT_EQ(port.Read(256), all);
  pty.Send(Hex("01 02 03"));
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 3; }, 2000));
  port.Discard();
  EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(QtSerialPortTest, OpenFailuresNameTheirCause) {
  QtSerialPort port;
  port.SetPortNumber(0);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.StatusText(), "Port not found");

  port.SetPortNumber(250);  // no link, and no /dev/ttyS249
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.StatusText(), "Port not found");

  ASSERT_TRUE(QFile::link(dir_.path() + "/unplugged-adapter", Com(4)));
  port.SetPortNumber(4);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.StatusText(), "Port not found");
  EXPECT_TRUE(port.ErrorDetail().contains("unplugged-adapter"));
  EXPECT_FALSE(port.IsOpen());

  // A device that takes no line settings at all: which port, at what settings.
  QFile plain(dir_.path() + "/not-a-tty");
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  ASSERT_TRUE(QFile::link(plain.fileName(), Com(7)));
  ASSERT_TRUE(port.SetSettings("19200,E,8,1"));
  port.SetPortNumber(7);
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.StatusText(), "Port unavailable");
  EXPECT_TRUE(port.ErrorDetail().startsWith("COM7 (")) << port.ErrorDetail().toStdString();
  EXPECT_TRUE(port.ErrorDetail().contains("at 19200,E,8,1: ")) << port.ErrorDetail().toStdString();
}

TEST_F(QtSerialPortTest, SecondOpenerThroughAnotherLinkFindsThePortBusy) {
  Pty pty;
  ASSERT_TRUE(pty.Link(Com(5)));
  ASSERT_TRUE(pty.Link(Com(6)));
  QtSerialPort first, second;
  first.SetPortNumber(5);
  second.SetPortNumber(6);
  ASSERT_TRUE(first.Open());
  EXPECT_FALSE(second.Open());
  EXPECT_EQ(second.StatusText(), "Port unavailable");
  EXPECT_FALSE(second.ErrorDetail().isEmpty());
}

TEST_F(QtSerialPortTest, VanishedDeviceClosesOnceAndReopensWhenBack) {
  auto pty = std::make_unique<Pty>();
  ASSERT_TRUE(pty->Link(Com(7)));
  QtSerialPort port;
  port.SetPortNumber(7);
  ASSERT_TRUE(port.Open());
  QSignalSpy lost(&port, &SerialPort::Lost);
  pty.reset();  // the far end goes away, as a pulled adapter does
  // ... and its node with it: the link dangles (a pty's number may soon serve another).
  ASSERT_TRUE(QFile::remove(Com(7)) && QFile::link(dir_.path() + "/pulled-adapter", Com(7)));
  // The next poll's write finds it gone at the latest (Qt 6.8 reports a hung-up
  // line only on a write; earlier releases also on the read side).
  port.Write(Hex("31 00 CE"));
  ASSERT_TRUE(WaitUntil([&] { return lost.count() >= 1; }, 2000));
  EXPECT_FALSE(WaitUntil([&] { return lost.count() > 1; }, 100));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.StatusText(), "Disconnected");
  EXPECT_FALSE(port.Write(Hex("31 00 CE")));  // nothing there to open

  Pty back;
  ASSERT_TRUE(back.Link(Com(7)));
  ASSERT_TRUE(WaitUntil([&] { return port.Write(Hex("31 00 CE")); }, 3000));
  EXPECT_TRUE(port.IsOpen());
  QByteArray got;
  ASSERT_TRUE(WaitUntil([&] { return (got += back.ReadAll()).size() >= 3; }, 2000));
  EXPECT_EQ(got, Hex("31 00 CE"));
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
  EXPECT_FALSE(port.Write(Hex("7E 01 13 3C 06 D8 7E")));
  Pty pty;
  ASSERT_TRUE(pty.Link(Com(8)));
  EXPECT_FALSE(port.Write(Hex("7E 01 13 3C 06 D8 7E")));  // held back: the open just failed
  ASSERT_TRUE(WaitUntil([&] { return port.Write(Hex("7E 01 13 3C 06 D8 7E")); }, 3000));
  EXPECT_GE(clock.elapsed(), QtSerialPort::kReopenIntervalMs - 50);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(reopened.count(), 1);
  QByteArray got;
  ASSERT_TRUE(WaitUntil([&] { return (got += pty.ReadAll()).size() >= 7; }, 2000));
  EXPECT_EQ(got, Hex("7E 01 13 3C 06 D8 7E"));

  // Closing on purpose (another port chosen) ends the trying.
  port.Close();
  EXPECT_FALSE(port.Write(Hex("31 00 CE")));
  EXPECT_EQ(reopened.count(), 1);
}

// A line that floods while nobody reads: the port stops taking bytes at its bound
// (the sender is held back), and takes them again once the reader discards.
TEST_F(QtSerialPortTest, ReadBufferStaysBoundedUnderAFlood) {
  Pty pty;
  ASSERT_TRUE(pty.Link(Com(9)));
  QtSerialPort port;
  port.SetPortNumber(9);
  ASSERT_TRUE(port.Open());
  const QByteArray chunk(4096, '\0');
  qint64 sent = 0;
  QElapsedTimer clock;
  clock.start();
  int refused_in_a_row = 0;
  while (clock.elapsed() < 5000 && refused_in_a_row < 50) {
    const qint64 n = pty.Offer(chunk);
    sent += n;
    refused_in_a_row = n == 0 ? refused_in_a_row + 1 : 0;
    Delay(n == 0 ? 2 : 0);
  }
  EXPECT_GE(refused_in_a_row, 50) << "the line kept taking bytes: " << sent;
  EXPECT_LE(port.BytesWaiting(), QtSerialPort::kReadBufferBytes);
  EXPECT_GE(port.BytesWaiting(), QtSerialPort::kReadBufferBytes / 2);
  EXPECT_LT(sent, 4 * QtSerialPort::kReadBufferBytes);

  port.Discard();
  EXPECT_EQ(port.BytesWaiting(), 0);
  pty.Send(Hex("31 00 CE"));
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() > 0; }, 2000));
}

}  // namespace
}  // namespace common
