// What the unit link tells its trace: one record per request sent and one per answer
// or its absence, each outcome against the simulated unit's faults, with the bytes as
// they crossed the line.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>

#include "common/core/link_tap.h"
#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "common/testing/trace_lines.h"
#include "tessera/link/unit_link.h"
#include "tessera/sim/tbx_model.h"

namespace tessera {
namespace {

using common::TraceOutcome;
using common::testing::B;

// Keeps a device's answers in front of the test: the bytes the unit put on the line.
class Answering : public common::DeviceModel {
 public:
  explicit Answering(common::DeviceModel& device) : device_(device) {}
  std::function<Bytes(Bytes)> shape;  // changes an answer on its way, when set
  common::DeviceReply Receive(common::ByteView bytes) override {
    common::DeviceReply reply = device_.Receive(bytes);
    if (shape) reply.bytes = shape(reply.bytes);
    return reply;
  }

 private:
  common::DeviceModel& device_;
};

// A simulated unit on its own port, with a link whose trace is collected.
struct Rig {
  Rig() {
    port.SetSettings("19200,E,8,1");
    port.Open();
    link.SetTap(&tap);
    tap.AddListener(&trace);
  }
  // The input request of the poll, with the time-out given.
  Bytes Input(int timeout_ms = 500) {
    return link.Exchange(B("34 00 CB"), kInputResponse, timeout_ms);
  }

  sim::TbxModel unit{{.idle_animation = false}};
  Answering wire{unit};
  common::SimulatedPort port{&wire};
  common::ScriptedPrompts prompts;
  UnitIdentity identity;
  UnitLink link{port, prompts, identity};
  common::LinkTap tap;
  common::testing::TraceLines trace;
};

// The unit at address 5 with no input set answers this to 34 00 CB.
constexpr char kInputAnswer[] = "34 00 00 00 00 00 00 00 50 00 00 00 00 7B";

TEST(UnitLinkTraceTest, EachOutcomeOfAnExchange) {
  struct Case {
    const char* name;
    std::function<void(Rig&)> fault;
    int timeout_ms;
    std::vector<std::string> records;
  };
  const std::string sent = "-> SendInputFrame sent 34 00 CB";
  const Case cases[] = {
      {"a good answer",
       [](Rig&) {},
       500,
       {sent, std::string("<- SendInputFrame ok ") + kInputAnswer}},
      {"a silent unit",
       [](Rig& t) { t.unit.Options().silent = true; },
       40,
       {sent, "<- SendInputFrame FAIL time-out after 40 ms"}},
      {"a wrong checksum",
       [](Rig& t) { t.unit.Options().corrupt_every = 1; },
       500,
       {sent, "<- SendInputFrame FAIL checksum error 34 00 00 00 00 00 00 00 50 00 00 00 00 7C"}},
      {"an answer cut short",
       [](Rig& t) { t.wire.shape = [](Bytes b) { return Bytes(b.begin(), b.begin() + 9); }; },
       40,
       {sent,
        "<- SendInputFrame FAIL wrong length: 9 of 14 bytes in 40 ms "
        "34 00 00 00 00 00 00 00 50"}},
      {"a parity error",
       [](Rig& t) {
         t.unit.Options().delay_ms = 40;
         QTimer::singleShot(5, &t.port, [&t] { t.port.InjectError(common::kParityError); });
       },
       300,
       {sent, "<- SendInputFrame FAIL line error: Rx Parity Error"}},
      {"the adapter pulled during the wait",
       [](Rig& t) {
         t.unit.Options().delay_ms = 300;
         QTimer::singleShot(10, &t.port, [&t] { t.port.Unplug(); });
       },
       500,
       {sent, "<- SendInputFrame FAIL port lost: Disconnected"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig;
    c.fault(rig);
    const Bytes rx = rig.Input(c.timeout_ms);
    EXPECT_EQ(rx.empty(), c.records.back().find("FAIL") != std::string::npos);
    EXPECT_EQ(rig.trace.Take(), c.records);
  }
}

TEST(UnitLinkTraceTest, AClosedPortTakesNothingAndTheTraceSaysSo) {
  Rig rig;
  rig.port.Unplug();
  EXPECT_TRUE(rig.Input().empty());
  EXPECT_EQ(rig.trace.Take(),
            (std::vector<std::string>{"-> SendInputFrame FAIL port lost: not sent, Disconnected "
                                      "34 00 CB"}));
}

TEST(UnitLinkTraceTest, ALateAnswerIsDroppedOutsideTheExchange) {
  Rig rig;
  rig.unit.Options().delay_ms = 60;
  EXPECT_TRUE(rig.Input(20).empty());
  common::Delay(80);  // the answer comes after the exchange gave up
  rig.unit.Options().delay_ms = 0;
  EXPECT_FALSE(rig.link.Exchange(B("31 00 CE"), kStatusResponse).empty());
  EXPECT_EQ(rig.trace.Take(),
            (std::vector<std::string>{
                "-> SendInputFrame sent 34 00 CB",
                "<- SendInputFrame FAIL time-out after 20 ms",
                std::string("<- - FAIL dropped outside an exchange ") + kInputAnswer,
                "-> SendRMSFrame sent 31 00 CE",
                "<- SendRMSFrame ok 31 00 00 00 00 00 00 00 CE",
            }));
}

TEST(UnitLinkTraceTest, AHeaderThatCountsTooManyItems) {
  Rig rig;
  // An event-log header announcing 0x9000 records: refused as soon as it is in.
  rig.wire.shape = [](Bytes) { return B("7F 0D 00 23 23 14 00 00 90"); };
  rig.unit.SetCommand(kCmdReadEvents, sim::FixedLength(4),
                      [](ByteView) { return std::optional<Bytes>(B("7F")); });
  constexpr ResponseShape kShape = ResponseShape::Counted(9, 7, 4, true, 32767);
  EXPECT_TRUE(rig.link.Exchange(B("7F 0D 00 73"), kShape, 500).empty());
  EXPECT_EQ(rig.trace.Take(),
            (std::vector<std::string>{
                "-> ReadEvents sent 7F 0D 00 73",
                "<- ReadEvents FAIL wrong length: the header counts 36864 items, at most 32767 "
                "are taken 7F 0D 00 23 23 14 00 00 90"}));
}

// Asked Retry, the request goes again: each attempt has its records, and the failure is
// in the trace when the box asks about it.
TEST(UnitLinkTraceTest, RetryShowsEveryAttempt) {
  Rig rig;
  rig.unit.Options().silent = true;
  std::size_t records_at_box = 0;
  rig.prompts.on_show = [&] {
    records_at_box = rig.trace.lines.size();
    rig.unit.Options().silent = false;  // the unit answers the second time
  };
  rig.prompts.QueueAnswer(common::Answer::kRetry);
  rig.prompts.QueueAnswer(common::Answer::kCancel);  // should it fail again
  EXPECT_FALSE(rig.link.Exchange(B("31 00 CE"), kStatusResponse, 30, true).empty());
  EXPECT_EQ(records_at_box, 2u);
  const std::vector<std::string> lines = rig.trace.Take();
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "-> SendRMSFrame sent 31 00 CE", "<- SendRMSFrame FAIL time-out after 30 ms",
                "-> SendRMSFrame sent 31 00 CE", "<- SendRMSFrame ok 31 00 00 00 00 00 00 00 CE"}));
}

}  // namespace
}  // namespace tessera
