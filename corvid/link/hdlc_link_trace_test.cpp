// What the switch-pack link tells its trace: the command frame as it went out and the
// answer as it came (stuffing and flags included), or why none was taken, for each of
// the simulated switch pack's faults; and bytes nobody asked for.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>

#include "common/link_tap.h"
#include "common/prompts.h"
#include "common/qt_bytes.h"
#include "common/simulated_port.h"
#include "common/testing/hex.h"
#include "common/testing/test_support.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid {
namespace {

using common::testing::B;
using common::testing::H;

std::string Line(const common::TraceRecord& r) {
  std::string line = r.direction == common::TraceDirection::kToDevice ? "-> " : "<- ";
  line += (r.name.empty() ? "-" : r.name) + " " + common::OutcomeText(r);
  if (!r.bytes.empty()) line += " " + H(r.bytes);
  return line;
}

struct Collector : common::TraceListener {
  void OnTrace(const common::TraceRecord& record) override { lines.push_back(Line(record)); }
  std::vector<std::string> Take() { return std::exchange(lines, {}); }
  std::vector<std::string> lines;
};

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

class CountingPrompts : public common::ScriptedPrompts {
 public:
  std::function<void()> on_show;
  common::Answer Show(const common::Message& m) override {
    if (on_show) on_show();
    return ScriptedPrompts::Show(m);
  }
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
  CountingPrompts prompts;
  HdlcLink link{port, prompts};
  common::LinkTap tap;
  Collector trace;
};

constexpr char kStatusFrame[] = "-> GetStatus sent 7E 01 13 01 80 80 47 70 7E";

TEST(HdlcLinkTraceTest, EachOutcomeOfAnExchange) {
  struct Case {
    const char* name;
    std::function<void(SwitchPackOptions&)> fault;
    std::string answer;  // the received record; "%" stands for the answer on the line
  };
  const Case cases[] = {
      {"a good answer", [](SwitchPackOptions&) {}, "<- GetStatus ok %"},
      {"a silent switch pack", [](SwitchPackOptions& o) { o.silent = true; },
       "<- GetStatus FAIL time-out after 50 ms"},
      {"an answer after the window", [](SwitchPackOptions& o) { o.delay_ms = 80; },
       "<- GetStatus FAIL time-out after 50 ms"},
      {"a wrong FCS", [](SwitchPackOptions& o) { o.bad_fcs_every = 1; },
       "<- GetStatus FAIL FCS error %"},
      {"a refusal", [](SwitchPackOptions& o) { o.nak_every = 1; },
       "<- GetStatus FAIL NAK 7E 01 13 80 E1 A7 7E"},
      {"a code Corvid does not know",
       [](SwitchPackOptions& o) {
         o.foreign_every = 1;
         o.foreign_code = 0x41;
       },
       "<- GetStatus FAIL unexpected code 41 7E 01 13 41 64 70 7E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    c.fault(rig.pack.Options());
    std::size_t records_at_box = 0;
    rig.prompts.on_show = [&] { records_at_box = rig.trace.lines.size(); };
    const bool ok = rig.Status().has_value();
    std::string answer = c.answer;
    if (const auto at = answer.find('%'); at != std::string::npos) {
      answer.replace(at, 1, rig.wire.last_answer);
    }
    EXPECT_EQ(ok, answer.find("FAIL") == std::string::npos);
    EXPECT_EQ(rig.trace.Take(), (std::vector<std::string>{kStatusFrame, answer}));
    // The unknown code's box comes with its record already in the trace.
    if (!rig.prompts.shown().empty()) {
      EXPECT_EQ(records_at_box, 2u);
    }
  }
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

TEST(HdlcLinkTraceTest, TheRestOfAPieceAfterTheClosingFlagIsDropped) {
  // An answer read together with the start of another frame: the frame is this
  // exchange's, what follows its closing flag is nobody's.
  common::ScriptedPrompts prompts;
  class Stuck : public common::DeviceModel {
   public:
    common::DeviceReply Receive(common::ByteView) override {
      return {B("7E 01 13 82 00 E8 35 7E 7E 01 13"), 0};
    }
  } device;
  common::SimulatedPort port(&device);
  port.Open();
  HdlcLink link(port, prompts);
  common::LinkTap tap;
  Collector trace;
  link.SetTap(&tap);
  tap.AddListener(&trace);
  EXPECT_TRUE(link.Exchange(B("02 80")).has_value());
  EXPECT_EQ(trace.Take(), (std::vector<std::string>{
                              "-> GetStatus sent 7E 01 13 02 80 2C 3D 7E",
                              "<- GetStatus ok 7E 01 13 82 00 E8 35 7E",
                              "<- - FAIL dropped outside an exchange 7E 01 13",
                          }));
}

TEST(HdlcLinkTraceTest, FramesTooShortOrNotSent) {
  Rig rig;
  rig.port.Close();
  EXPECT_FALSE(rig.Status().has_value());
  EXPECT_EQ(rig.trace.Take(),
            (std::vector<std::string>{
                "-> GetStatus FAIL port lost: not sent, port closed 7E 01 13 01 80 80 47 70 7E"}));

  class Short : public common::DeviceModel {
   public:
    common::DeviceReply Receive(common::ByteView) override { return {B("7E 00 00 7E"), 0}; }
  } device;
  common::SimulatedPort port(&device);
  port.Open();
  common::ScriptedPrompts prompts;
  HdlcLink link(port, prompts);
  link.SetTap(&rig.tap);
  EXPECT_FALSE(link.Exchange(B("3C")).has_value());
  EXPECT_EQ(rig.trace.Take(), (std::vector<std::string>{
                                  "-> GetModuleID sent 7E 01 13 3C 06 D8 7E",
                                  "<- GetModuleID FAIL wrong length: too short for a response "
                                  "code 7E 00 00 7E",
                              }));
}

TEST(HdlcLinkTraceTest, NobodyListeningCountersAloneTell) {
  Rig rig;
  rig.tap.RemoveListener(&rig.trace);
  rig.pack.Options().bad_fcs_every = 1;
  EXPECT_FALSE(rig.Status().has_value());
  EXPECT_EQ(rig.link.Counters().CrcErrorCount, decltype(rig.link.Counters().CrcErrorCount){1});
  EXPECT_TRUE(rig.trace.Take().empty());
}

}  // namespace
}  // namespace corvid
