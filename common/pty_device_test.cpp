#include "common/pty_device.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryDir>

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

}  // namespace
}  // namespace common
