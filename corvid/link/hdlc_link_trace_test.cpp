// What the switch-pack link tells its trace: the command frame as it went out and the
// answer as it came (stuffing and flags included), or why none was taken, for each of
// the simulated switch pack's faults; and bytes nobody asked for.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "common/core/link_tap.h"
#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/qt_serial_port.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "common/testing/trace_lines.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid {
namespace {

using common::testing::B;
using common::testing::H;

// The switch pack, with the last answer it put on the line kept for the test.
class Wire : public common::DeviceModel {
 public:
  explicit Wire(common::DeviceModel& device) : device_(device) {}
  common::DeviceReply Receive(common::ByteView bytes) override {
    common::DeviceReply reply = device_.Receive(bytes);
    last_answer = H(reply.bytes);
    return reply;
  }
  std::string last_answer;

 private:
  common::DeviceModel& device_;
};

struct Rig {
  Rig() {
    port.Open();
    link.SetTap(&tap);
    tap.AddListener(&trace);
  }
  std::optional<Bytes> Status() { return link.Exchange(B("01 80 80")); }

  SwitchPackModel pack;
  Wire wire{pack};
  common::SimulatedPort port{&wire};
  common::ScriptedPrompts prompts;
  HdlcLink link{port, prompts};
  common::LinkTap tap;
  common::testing::TraceLines trace;
};

constexpr char kStatusFrame[] = "-> GetStatus sent 7E 01 13 01 80 80 47 70 7E";

// A code Corvid does not know: its record is in the trace before the box asks about it.
TEST(HdlcLinkTraceTest, AnUnknownCodeIsTracedBeforeItsBox) {
  Rig rig;
  rig.pack.Options().foreign_every = 1;
  rig.pack.Options().foreign_code = 0x41;
  std::size_t records_at_box = 0;
  rig.prompts.on_show = [&] { records_at_box = rig.trace.lines.size(); };
  EXPECT_FALSE(rig.Status().has_value());
  EXPECT_EQ(rig.trace.Take(),
            (std::vector<std::string>{
                kStatusFrame, "<- GetStatus FAIL unexpected code 41 7E 01 13 41 64 70 7E"}));
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_EQ(records_at_box, 2u);
}

TEST(HdlcLinkTraceTest, BytesNobodyAskedForAreDropped) {
  Rig rig;
  // Noise before the exchange, then an answer followed by more bytes in one piece.
  rig.port.InjectBytes(common::testing::Hex("55 AA"));
  common::Delay(5);
  EXPECT_TRUE(rig.Status().has_value());
  const std::string answer = rig.wire.last_answer;
  rig.port.InjectBytes(common::testing::Hex("00 7E"));
  common::Delay(5);
  EXPECT_EQ(rig.trace.Take(), (std::vector<std::string>{
                                  "<- - FAIL dropped outside an exchange 55 AA",
                                  kStatusFrame,
                                  "<- GetStatus ok " + answer,
                                  "<- - FAIL dropped outside an exchange 00 7E",
                              }));
}

// Answers that are not a whole, single frame, and a port that takes nothing.
TEST(HdlcLinkTraceTest, AnswersCutShortOrRunningOnAndFramesNotSent) {
  class Fixed : public common::DeviceModel {
   public:
    common::Bytes reply;
    common::DeviceReply Receive(common::ByteView) override { return {reply, 0}; }
  };
  struct Case {
    const char* reply;
    const char* command;
    std::vector<std::string> records;
  };
  for (const Case& c : {
           // Read with the start of another frame: what follows the closing flag is nobody's.
           Case{"7E 01 13 82 00 E8 35 7E 7E 01 13",
                "02 80",
                {"-> GetStatus sent 7E 01 13 02 80 2C 3D 7E",
                 "<- GetStatus ok 7E 01 13 82 00 E8 35 7E",
                 "<- - FAIL dropped outside an exchange 7E 01 13"}},
           Case{"7E 00 00 7E",
                "3C",
                {"-> GetModuleID sent 7E 01 13 3C 06 D8 7E",
                 "<- GetModuleID FAIL wrong length: too short for a response code 7E 00 00 7E"}},
       }) {
    Fixed device;
    device.reply = B(c.reply);
    common::SimulatedPort port(&device);
    port.Open();
    common::ScriptedPrompts prompts;
    HdlcLink link(port, prompts);
    common::LinkTap tap;
    common::testing::TraceLines trace;
    link.SetTap(&tap);
    tap.AddListener(&trace);
    link.Exchange(B(c.command));
    EXPECT_EQ(trace.Take(), c.records) << c.reply;
  }
  Rig rig;
  rig.port.Close();
  EXPECT_FALSE(rig.Status().has_value());
  EXPECT_EQ(rig.trace.Take(),
            (std::vector<std::string>{
                "-> GetStatus FAIL port lost: not sent, port closed 7E 01 13 01 80 80 47 70 7E"}));
}

// switchpack-sim on COM5 of a private port directory, with its faults on from the answer
// after the first, and the link on a QtSerialPort to it: the real serial path.
class PtyPack {
 public:
  explicit PtyPack(const char* fault) {
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("CABINET_COM_DIR", dir_.path());
    qputenv("CABINET_COM_DIR", dir_.path().toLocal8Bit());
    sim_.setProcessEnvironment(env_);
    sim_.start(common::testing::BinDir() + "/switchpack-sim",
               {"--port", "5", "--fault", fault, "--fault-after", "0", "--fault-for", "60000",
                "--trace", TracePath()});
    ready_ = common::testing::WaitUntil([this] { return QFileInfo::exists(dir_.filePath("COM5")); },
                                        5000);
    port_.SetSettings("307200,n,8,1");
    port_.SetPortNumber(5);
    ready_ = ready_ && port_.Open();
    link_.SetTap(&tap_);
    tap_.AddListener(&trace_);
  }
  ~PtyPack() {
    port_.Close();
    sim_.terminate();
    sim_.waitForFinished(3000);
    qunsetenv("CABINET_COM_DIR");
  }
  // Ends the simulator, so its trace is complete; then its records.
  std::vector<std::string> DeviceSent() {
    sim_.terminate();
    sim_.waitForFinished(3000);
    std::vector<std::string> sent;
    QFile file(TracePath());
    if (!file.open(QIODevice::ReadOnly)) return sent;
    static const QRegularExpression kAnswer("  <-  .*?  ([0-9A-F]{2}(?: [0-9A-F]{2})*)\r$");
    for (const QByteArray& line : file.readAll().split('\n')) {
      const QRegularExpressionMatch m = kAnswer.match(QString::fromLatin1(line));
      if (m.hasMatch()) sent.push_back(m.captured(1).toStdString());
    }
    return sent;
  }
  QString TracePath() const { return dir_.filePath("device.txt"); }
  bool Ready() const { return ready_; }
  HdlcLink& Link() { return link_; }
  common::testing::TraceLines& Trace() { return trace_; }

 private:
  QTemporaryDir dir_;
  QProcessEnvironment env_;
  QProcess sim_;
  bool ready_ = false;
  common::QtSerialPort port_;
  common::ScriptedPrompts prompts_;
  HdlcLink link_{port_, prompts_};
  common::LinkTap tap_;
  common::testing::TraceLines trace_;
};

// Each fault switchpack-sim can put on its line: what the trace says of the status
// command that met it, and of what came after, with the bytes the device says it sent.
TEST(HdlcLinkTraceTest, EachLineFaultOverARealPort) {
  struct Case {
    const char* fault;
    const char* answer;  // the status answer's record, a regular expression
    bool bytes_as_sent;  // its bytes are the start of what the device sent
  };
  for (const Case& c : {
           Case{"nak", "<- GetStatus FAIL NAK 7E 01 13 80 E1 A7 7E", true},
           Case{"foreign", "<- GetStatus FAIL unexpected code BC: the answer to another command .*",
                true},
           Case{"checksum", "<- GetStatus FAIL FCS error .*", true},
           Case{"truncate", "<- GetStatus FAIL time-out after 50 ms.*", true},
           Case{"garbage", "<- GetStatus FAIL .*", true},
           Case{"oversize", "<- GetStatus FAIL .*", true},
           Case{"late", "<- GetStatus FAIL time-out after 50 ms", false},
           Case{"flood",
                "<- GetStatus FAIL time-out after 50 ms(: first [0-9]+ of [0-9]+ bytes)?[ 0]*",
                false},
       }) {
    SCOPED_TRACE(c.fault);
    PtyPack pack(c.fault);
    ASSERT_TRUE(pack.Ready());
    EXPECT_TRUE(pack.Link().Exchange(B("3C")).has_value());  // before the fault
    pack.Link().Exchange(B("01 80 80"));
    // The exchanges' records (drops between them left out, a flood makes many), and
    // the bytes of the status answer with whatever was dropped after it.
    const std::string kDropped = "<- - FAIL dropped outside an exchange ";
    static const QRegularExpression kBytes("((?: [0-9A-F]{2})+)$");
    std::vector<std::string> host;
    std::string came;
    std::string in_window;  // the answer's own bytes, without what was dropped after it
    for (const std::string& line : pack.Trace().Take()) {
      const bool dropped = line.rfind(kDropped, 0) == 0;
      if (!dropped) host.push_back(line);
      if (host.size() == 4) {
        const QRegularExpressionMatch m = kBytes.match(QString::fromStdString(line));
        if (m.hasMatch()) came += m.captured(1).toStdString();
        if (m.hasMatch() && !dropped) in_window = m.captured(1).toStdString();
      }
    }
    ASSERT_EQ(host.size(), 4u);
    EXPECT_EQ(host[0], "-> GetModuleID sent 7E 01 13 3C 06 D8 7E");
    EXPECT_EQ(host[1].rfind("<- GetModuleID ok 7E 01 13 BC ", 0), 0u) << host[1];
    EXPECT_EQ(host[2], "-> GetStatus sent 7E 01 13 01 80 80 47 70 7E");
    // The head of the line: a flood's record holds a quarter of a megabyte.
    EXPECT_TRUE(QRegularExpression(QString("^") + c.answer + "$")
                    .match(QString::fromStdString(host[3].substr(0, 200)))
                    .hasMatch())
        << host[3].substr(0, 200);
    // The late answer may follow in the drops, depending on how busy the machine is.
    if (std::string(c.fault) == "flood") {
      EXPECT_EQ(in_window.find_first_not_of("0 "), std::string::npos);
    }
    if (c.bytes_as_sent) {
      const std::vector<std::string> sent = pack.DeviceSent();
      ASSERT_GE(sent.size(), came.empty() ? 1u : 2u);
      if (!came.empty()) {
        EXPECT_EQ(sent[1].rfind(came.substr(1), 0), 0u) << sent[1].substr(0, 200) << "\n"
                                                        << came.substr(0, 200);
      }
    }
  }
}

}  // namespace
}  // namespace corvid
