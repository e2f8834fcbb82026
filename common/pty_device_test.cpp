#include "common/pty_device.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "common/event_wait.h"
#include "common/qt_serial_port.h"
#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::Hex;
using testing::WaitUntil;

// Answers each byte b with b+1, so replies are easy to predict.
class IncrementModel : public DeviceModel {
 public:
  DeviceReply Receive(ByteView bytes) override {
    DeviceReply reply;
    for (std::uint8_t b : bytes) reply.bytes.push_back(static_cast<std::uint8_t>(b + 1));
    return reply;
  }
};

// The model served on COM<port> of a private port directory by a forked child, with
// $CABINET_COM_DIR pointing there while it lives.
class ForkedDevice {
 public:
  explicit ForkedDevice(int port, const std::function<void(PtyOptions&)>& tune = {})
      : log_(dir_.path() + "/traffic.log"),
        link_(dir_.path() + QStringLiteral("/COM%1").arg(port)),
        saved_dir_(qgetenv("CABINET_COM_DIR")) {
    child_ = ::fork();
    if (child_ == 0) {
      IncrementModel model;
      PtyOptions options;
      options.port_number = port;
      options.port_dir = dir_.path().toStdString();
      options.log_path = log_.toStdString();
      if (tune) tune(options);
      ::_exit(RunPtyDevice(model, options));
    }
    qputenv("CABINET_COM_DIR", dir_.path().toLocal8Bit());
  }
  ~ForkedDevice() {
    Stop();
    if (saved_dir_.isNull()) {
      qunsetenv("CABINET_COM_DIR");
    } else {
      qputenv("CABINET_COM_DIR", saved_dir_);
    }
  }
  bool Linked() const {
    return child_ > 0 && WaitUntil([&] { return QFileInfo(link_).exists(); }, 3000);
  }
  // Ends the device: its exit status, -1 when it did not exit by itself.
  int Stop() {
    if (child_ <= 0) return -1;
    ::kill(child_, SIGTERM);
    int status = 0;
    const bool waited = ::waitpid(child_, &status, 0) == child_;
    child_ = 0;
    return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const QString& Log() const { return log_; }
  const QString& Link() const { return link_; }

 private:
  QTemporaryDir dir_;
  QString log_;
  QString link_;
  QByteArray saved_dir_;
  pid_t child_ = 0;
};

TEST(PtyDeviceTest, ServesTheModelOnALinkedPtyAndLogsTheTraffic) {
  ForkedDevice device(9);
  ASSERT_TRUE(device.Linked());
  {
    QtSerialPort port;
    port.SetPortNumber(9);
    ASSERT_TRUE(port.Open()) << port.ErrorDetail().toStdString();
    ASSERT_TRUE(port.Write(Hex("7E 00 FE")));
    ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() >= 3; }, 2000));
    EXPECT_EQ(port.Read(3), Hex("7F 01 FF"));
  }

  const auto blocks = testing::ReadTrafficLog(device.Log());
  ASSERT_EQ(blocks.size(), 2);
  EXPECT_TRUE(blocks[0].from_host);
  EXPECT_EQ(blocks[0].bytes, Hex("7E 00 FE"));
  EXPECT_FALSE(blocks[1].from_host);
  EXPECT_EQ(blocks[1].bytes, Hex("7F 01 FF"));

  EXPECT_EQ(device.Stop(), 0);
  EXPECT_FALSE(QFileInfo(device.Link()).isSymLink());  // the link goes with the device
}

// A fault schedule on the line: the first request starts the clock; noise replaces
// the answers for a while, then the device is unplugged (its link goes, the host's
// port is lost) and comes back on a new pty under the same name. Each start and end
// is noted in the traffic log.
TEST(PtyDeviceTest, FaultsOnScheduleGarbageThenUnplug) {
  ForkedDevice device(8, [](PtyOptions& options) {
    options.faults = {{LineFault::kGarbage, LineFault::kUnplug}, 300, 400, 0};
    options.reply_faults.noise_max = 0x0F;
  });
  ASSERT_TRUE(device.Linked());
  QStringList seen;  // what each request got: "ok", "noise", "none"
  {
    QtSerialPort port;
    port.SetPortNumber(8);
    ASSERT_TRUE(port.Open());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1900) {
      port.Discard();
      if (!port.Write(Hex("40 41 42 43"))) {
        seen << "none";
        Delay(20);
        continue;
      }
      WaitUntil([&] { return port.BytesWaiting() >= 4; }, 50);
      const QByteArray got = port.Read(64);
      bool noise = !got.isEmpty();
      for (char c : got) noise = noise && static_cast<unsigned char>(c) <= 0x0F;
      seen << (got == Hex("41 42 43 44") ? "ok" : noise ? "noise" : got.isEmpty() ? "none" : "?");
      Delay(20);
    }
  }
  device.Stop();

  // ok ... noise ... none ... ok, in that order, and nothing else.
  QStringList runs;
  for (const QString& s : seen)
    if (runs.isEmpty() || runs.back() != s) runs << s;
  EXPECT_EQ(runs, (QStringList{"ok", "noise", "ok", "none", "ok"})) << seen.join(' ').toStdString();
  QStringList notes;
  QFile file(device.Log());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (line.startsWith("! "))
      notes << QString::fromLatin1(line.mid(2).split(' ').mid(0, 3).join(' '));
  }
  EXPECT_EQ(notes, (QStringList{"fault garbage on", "fault garbage off", "fault unplug on",
                                "fault unplug off"}));
}

}  // namespace
}  // namespace common
