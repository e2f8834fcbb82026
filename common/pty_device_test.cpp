#include "common/pty_device.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

TEST(PtyDeviceTest, ServesTheModelOnALinkedPtyAndLogsTheTraffic) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString log = dir.path() + "/traffic.log";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    IncrementModel model;
    PtyOptions options;
    options.port_number = 9;
    options.port_dir = dir.path().toStdString();
    options.log_path = log.toStdString();
    ::_exit(RunPtyDevice(model, options));
  }
  const QString link = dir.path() + "/COM9";
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo(link).exists(); }, 3000));

  const QByteArray saved = qgetenv("CABINET_COM_DIR");
  qputenv("CABINET_COM_DIR", dir.path().toLocal8Bit());
  {
    QtSerialPort port;
    port.SetPortNumber(9);
    ASSERT_TRUE(port.Open()) << port.ErrorDetail().toStdString();
    ASSERT_TRUE(port.Write(Hex("7E 00 FE")));
    ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() >= 3; }, 2000));
    EXPECT_EQ(port.Read(3), Hex("7F 01 FF"));
  }
  if (saved.isNull()) {
    qunsetenv("CABINET_COM_DIR");
  } else {
    qputenv("CABINET_COM_DIR", saved);
  }

  const auto blocks = testing::ReadTrafficLog(log);
  ASSERT_EQ(blocks.size(), 2);
  EXPECT_TRUE(blocks[0].from_host);
  EXPECT_EQ(blocks[0].bytes, Hex("7E 00 FE"));
  EXPECT_FALSE(blocks[1].from_host);
  EXPECT_EQ(blocks[1].bytes, Hex("7F 01 FF"));

  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(QFileInfo(link).isSymLink());  // the link goes with the device
}

// A fault schedule on the line: the first request starts the clock; noise replaces
// the answers for a while, then the device is unplugged (its link goes, the host's
// port is lost) and comes back on a new pty under the same name. Each start and end
// is noted in the traffic log.
TEST(PtyDeviceTest, FaultsOnScheduleGarbageThenUnplug) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString log = dir.path() + "/traffic.log";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    IncrementModel model;
    PtyOptions options;
    options.port_number = 8;
    options.port_dir = dir.path().toStdString();
    options.log_path = log.toStdString();
    options.faults = {{LineFault::kGarbage, LineFault::kUnplug}, 300, 400, 0};
    options.reply_faults.noise_max = 0x0F;
    ::_exit(RunPtyDevice(model, options));
  }
  const QString link = dir.path() + "/COM8";
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo(link).exists(); }, 3000));
  const QByteArray saved = qgetenv("CABINET_COM_DIR");
  qputenv("CABINET_COM_DIR", dir.path().toLocal8Bit());
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
  if (saved.isNull()) {
    qunsetenv("CABINET_COM_DIR");
  } else {
    qputenv("CABINET_COM_DIR", saved);
  }
  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);

  // ok ... noise ... none ... ok, in that order, and nothing else.
  QStringList runs;
  for (const QString& s : seen)
    if (runs.isEmpty() || runs.back() != s) runs << s;
  EXPECT_EQ(runs, (QStringList{"ok", "noise", "ok", "none", "ok"})) << seen.join(' ').toStdString();
  QStringList notes;
  QFile file(log);
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
