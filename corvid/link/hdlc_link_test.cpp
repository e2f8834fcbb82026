// The switch-pack exchange: counters, what is taken and what is not, and what the
// link tells its trace (the frame as it went out, the answer as it came, or why none
// was taken).
#include "corvid/link/hdlc_link.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include "common/core/link_tap.h"
#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "common/testing/trace_lines.h"
#include "corvid/core/crc.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid {
namespace {

using common::testing::H;
using common::testing::Hex;
using Lines = std::vector<std::string>;

// The response code of an exchange's payload, "" when it failed.
std::string Code(const std::optional<Bytes>& payload) {
  return payload && !payload->empty() ? H(ByteView(*payload).first(1)) : "";
}

// Wire frame of a response from slot 1: payload hex, FCS added.
QByteArray Rsp(const char* payload_hex) {
  return common::ToQByteArray(FrameBody(CommandBody(1, common::testing::B(payload_hex))));
}

const Bytes kStatus = {0x01, 0x80, 0x80};
const Bytes kIdentify = {0x3C};
constexpr char kStatusSent[] = "-> GetStatus sent 7E 01 13 01 80 80 47 70 7E";

// The trace record of an answer taken, with its bytes as they came on the line.
std::string Taken(const std::optional<Bytes>& payload) {
  return "<- GetStatus ok " + H(FrameBody(CommandBody(1, payload.value_or(Bytes{}))));
}

// The switch pack, or a fixed reply in its place while one is set.
struct Line : common::DeviceModel {
  explicit Line(common::DeviceModel& device) : device(device) {}
  common::DeviceReply Receive(common::ByteView bytes) override {
    if (!reply) return device.Receive(bytes);
    return {Bytes(reply->begin(), reply->end()), 0};
  }
  common::DeviceModel& device;
  std::optional<QByteArray> reply;
};

class HdlcLinkTest : public ::testing::Test {
 protected:
  HdlcLinkTest() {
    port_.Open();
    link_.SetTap(&tap_);
    tap_.AddListener(&trace_);
  }
  SwitchPackModel model_;
  Line line_{model_};
  common::SimulatedPort port_{&line_};
  common::ScriptedPrompts prompts_;
  HdlcLink link_{port_, prompts_};
  common::LinkTap tap_;
  common::testing::TraceLines trace_;
};

// K faulty exchanges raise their counter by exactly K and nothing else, each traced
// with why its answer was not taken; the next good answer is taken again.
TEST_F(HdlcLinkTest, EachFaultRaisesOnlyItsCounter) {
  // The fault, FCS errors, time-outs and NAKs after three, the failed answer's trace record.
  using Case = std::tuple<SwitchPackOptions, std::array<std::uint64_t, 3>, std::string>;
  for (const auto& [options, counters, record] :
       {Case{{.bad_fcs_every = 1}, {3, 0, 0}, "<- GetStatus FAIL FCS error 7E 01 13 81"},
        Case{{.silent = true}, {0, 3, 0}, "<- GetStatus FAIL time-out after 50 ms"},
        Case{{.drop_every = 1}, {0, 3, 0}, "<- GetStatus FAIL time-out after 50 ms"},
        Case{{.nak_every = 1}, {0, 0, 3}, "<- GetStatus FAIL NAK 7E 01 13 80 E1 A7 7E"}}) {
    SCOPED_TRACE(record);
    link_.Counters().Clear();
    model_.Options() = options;
    QSignalSpy finished(&link_, &HdlcLink::ExchangeFinished);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(link_.Exchange(kStatus).has_value());
    EXPECT_TRUE(link_.LastResponse().empty());
    EXPECT_TRUE(!counters[1] || clock.elapsed() >= 3 * kResponseWindowMs) << clock.elapsed();
    const Lines records = trace_.Take();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_TRUE(records[0] == kStatusSent && records[1].starts_with(record)) << records[1];
    const LinkCounters& n = link_.Counters();
    EXPECT_EQ((std::array{n.crc_errors, n.timeouts, n.naks}), counters);
    model_.Options() = {};
    const auto payload = link_.Exchange(kStatus);
    EXPECT_EQ(std::tuple(Code(payload), payload.value_or(Bytes{}).size(), finished.size(),
                         finished.value(2).value(0).toBool(), finished.value(3).value(0).toBool()),
              std::tuple("81", 30u, 4, false, true));
    EXPECT_EQ(trace_.Take(), (Lines{kStatusSent, Taken(payload)}));
  }
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(HdlcLinkTest, NakCountStopsAt255WhileOthersKeepCounting) {
  link_.Counters().naks = 250;
  model_.Options().nak_every = 1;
  for (int i = 0; i < 8; ++i) link_.Exchange(kStatus);
  model_.Options() = {.bad_fcs_every = 1};
  link_.Exchange(kStatus);
  EXPECT_EQ(std::tuple(link_.Counters().naks, link_.Counters().crc_errors), std::tuple(255u, 1u));
}

// A code Corvid does not know: traced before the box that names it in decimal.
TEST_F(HdlcLinkTest, UnknownCodeIsTracedThenShownWithItsDecimalCode) {
  model_.Options().foreign_every = 1;
  std::size_t records_at_box = 0;
  prompts_.on_show = [&] { records_at_box = trace_.lines.size(); };
  EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  EXPECT_EQ(trace_.Take(),
            (Lines{kStatusSent, "<- GetStatus FAIL unexpected code 41 7E 01 13 41 64 70 7E"}));
  EXPECT_EQ(records_at_box, 2u);
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& m = prompts_.shown()[0];
  EXPECT_EQ(std::tuple(m.title, m.text, m.icon),
            std::tuple("Serial Bus #3 Error", "Unknown Frame Type Received (65)",
                       common::Icon::kCritical));
  const LinkCounters& c = link_.Counters();
  EXPECT_EQ(c.crc_errors + c.timeouts + c.naks, 0);
}

// A device one answer behind (late answers, as the host sees them): only an answer
// with the code of the command just sent is taken; the others change nothing and
// count as windows without an answer.
TEST_F(HdlcLinkTest, AnswersToOtherCommandsAreNotTaken) {
  model_.Options().answer_previous = true;
  const Bytes kDiagnostic = {0x7B};
  // The code of each answer taken ("-" none): the first gets nothing at all, the next
  // two the answer to the one before, the second status the first status's answer.
  std::string codes;
  for (const Bytes& command : {kIdentify, kDiagnostic, kStatus, kStatus, kIdentify}) {
    const std::string code = Code(link_.Exchange(command));
    codes += (code.empty() ? "-" : code) + " ";
  }
  const LinkCounters& n = link_.Counters();
  EXPECT_EQ(std::tuple(codes, n.timeouts, n.crc_errors + n.naks, prompts_.shown().size()),
            std::tuple("- - - 81 - ", 4u, 0u, 0u));
  const Lines records = trace_.Take();
  ASSERT_GE(records.size(), 4u);
  EXPECT_TRUE(records[3].starts_with("<- GetDiagnostic FAIL unexpected code BC: the answer to"))
      << records[3];
}

// A pulled adapter: every exchange fails at once and counts as a time-out; once the
// port is back the link answers again.
TEST_F(HdlcLinkTest, VanishedPortCountsFailuresAndRecovers) {
  port_.Unplug();
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  EXPECT_LT(clock.elapsed(), kResponseWindowMs);
  EXPECT_EQ(trace_.Take()[0],
            "-> GetStatus FAIL port lost: not sent, Disconnected 7E 01 13 01 80 80 47 70 7E");
  ASSERT_TRUE(port_.Open());
  EXPECT_TRUE(link_.Exchange(kStatus).has_value());
  EXPECT_EQ(link_.Counters().timeouts, 4u);  // four failures, then none
}

TEST_F(HdlcLinkTest, StaleLateAndUnaskedBytesNeverReachTheNextResponse) {
  // An old complete answer and a half frame are waiting when the command goes out.
  port_.InjectBytes(Rsp("FB 00") + Hex("7E 01 13 81"));
  EXPECT_EQ(Code(link_.Exchange(kIdentify)), "BC");
  // The answer of a timed-out exchange lands while the link is idle.
  model_.Options().delay_ms = kResponseWindowMs + 30;
  EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  common::Delay(60);
  model_.Options().delay_ms = 0;
  EXPECT_EQ(Code(link_.Exchange(kIdentify)), "BC");
  EXPECT_EQ(std::tuple(link_.Counters().crc_errors, link_.Counters().timeouts), std::tuple(0u, 1u));
  // Noise between exchanges is traced as dropped, not kept for the next answer.
  trace_.Take();
  port_.InjectBytes(Hex("55 AA"));
  common::Delay(5);
  const auto payload = link_.Exchange(kStatus);
  EXPECT_EQ(trace_.Take(),
            (Lines{"<- - FAIL dropped outside an exchange 55 AA", kStatusSent, Taken(payload)}));
}

TEST_F(HdlcLinkTest, ReentrantExchangeIsRefusedWithoutSending) {
  model_.Options().delay_ms = 20;
  std::optional<Bytes> inner = Bytes{0x00};
  QTimer::singleShot(5, [&] { inner = link_.Exchange(kIdentify); });
  EXPECT_EQ(Code(link_.Exchange(kStatus)), "81");
  EXPECT_FALSE(inner.has_value());
  EXPECT_EQ(port_.TakeWritten().size(), 1);
}

// Answers that are not one whole frame: what follows the closing flag is nobody's and
// not the next answer's start; a body too short for a code is refused like a bad FCS.
TEST_F(HdlcLinkTest, OnlyTheFirstWholeFrameIsTheAnswer) {
  line_.reply = Rsp("81 01") + Hex("55 7E 01 13");
  EXPECT_EQ(Code(link_.Exchange(kStatus)), "81");
  line_.reply = Hex("7E 00 00 7E");
  EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  line_.reply.reset();
  const auto payload = link_.Exchange(kStatus);
  EXPECT_EQ(std::tuple(Code(payload), link_.Counters().crc_errors, link_.Counters().timeouts),
            std::tuple("81", 1u, 0u));
  EXPECT_EQ(trace_.Take(),
            (Lines{kStatusSent, Taken(Bytes{0x81, 0x01}),
                   "<- - FAIL dropped outside an exchange 55 7E 01 13", kStatusSent,
                   "<- GetStatus FAIL wrong length: too short for a response code 7E 00 00 7E",
                   kStatusSent, Taken(payload)}));
}

}  // namespace
}  // namespace corvid
