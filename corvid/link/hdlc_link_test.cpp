#include "corvid/link/hdlc_link.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "corvid/core/crc.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid {
namespace {

using common::testing::H;
using common::testing::Hex;
using common::testing::ToHex;

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

class HdlcLinkTest : public ::testing::Test {
 protected:
  HdlcLinkTest() { port_.Open(); }
  SwitchPackModel model_;
  common::SimulatedPort port_{&model_};
  common::ScriptedPrompts prompts_;
  HdlcLink link_{port_, prompts_};
};

TEST_F(HdlcLinkTest, StatusExchangeSendsExampleFrameAndReturnsPayload) {
  const auto payload = link_.Exchange(kStatus);
  ASSERT_TRUE(payload.has_value());
  EXPECT_EQ(payload->size(), 30);
  EXPECT_EQ(Code(payload), "81");
  EXPECT_EQ(ToHex(port_.TakeWritten().value(0)), "7E 01 13 01 80 80 47 70 7E");
  EXPECT_FALSE(link_.Busy());
}

// K faulty exchanges raise their counter by exactly K and nothing else; the next good
// answer is taken again.
TEST_F(HdlcLinkTest, EachFaultRaisesOnlyItsCounter) {
  using Counter = std::uint64_t LinkCounters::*;
  struct Case {
    void (*setup)(SwitchPackOptions&);
    Counter counter;
  };
  for (const Case& c :
       {Case{[](SwitchPackOptions& o) { o.bad_fcs_every = 1; }, &LinkCounters::crc_errors},
        Case{[](SwitchPackOptions& o) { o.silent = true; }, &LinkCounters::timeouts},
        Case{[](SwitchPackOptions& o) { o.drop_every = 1; }, &LinkCounters::timeouts},
        Case{[](SwitchPackOptions& o) { o.nak_every = 1; }, &LinkCounters::naks}}) {
    link_.Counters().Clear();
    model_.Options() = {};
    c.setup(model_.Options());
    QSignalSpy finished(&link_, &HdlcLink::ExchangeFinished);
    for (int i = 0; i < 3; ++i) {
      EXPECT_FALSE(link_.Exchange(kStatus).has_value());
      EXPECT_TRUE(link_.LastResponse().empty());
    }
    LinkCounters expected;
    expected.*c.counter = 3;
    EXPECT_EQ(link_.Counters().crc_errors, expected.crc_errors);
    EXPECT_EQ(link_.Counters().timeouts, expected.timeouts);
    EXPECT_EQ(link_.Counters().naks, expected.naks);
    model_.Options() = {};
    EXPECT_TRUE(link_.Exchange(kStatus).has_value());
    ASSERT_EQ(finished.size(), 4);
    EXPECT_FALSE(finished[2].at(0).toBool());
    EXPECT_TRUE(finished[3].at(0).toBool());
  }
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(HdlcLinkTest, NakCountStopsAt255WhileOthersKeepCounting) {
  link_.Counters().naks = 250;
  model_.Options().nak_every = 1;
  for (int i = 0; i < 8; ++i) link_.Exchange(kStatus);
  EXPECT_EQ(link_.Counters().naks, 255u);
  model_.Options() = {.bad_fcs_every = 1};
  link_.Exchange(kStatus);
  model_.Options() = {.silent = true};
  link_.Exchange(kStatus);
  EXPECT_EQ(link_.Counters().naks, 255u);
  EXPECT_EQ(link_.Counters().crc_errors, 1u);
  EXPECT_EQ(link_.Counters().timeouts, 1u);
}

TEST_F(HdlcLinkTest, ForeignCodeShowsMessageWithDecimalCode) {
  model_.Options().foreign_every = 1;
  EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& m = prompts_.shown()[0];
  EXPECT_EQ(m.title, "Serial Bus #3 Error");
  EXPECT_EQ(m.text, "Unknown Frame Type Received (65)");
  EXPECT_EQ(m.icon, common::Icon::kCritical);
  const LinkCounters& c = link_.Counters();
  EXPECT_EQ(c.crc_errors + c.timeouts + c.naks, 0);
}

// A device one answer behind (late answers, as the host sees them): only an answer
// with the code of the command just sent is taken; the others change nothing and
// count as windows without an answer.
TEST_F(HdlcLinkTest, AnswersToOtherCommandsAreNotTaken) {
  model_.Options().answer_previous = true;
  const Bytes kDiagnostic = {0x7B};
  struct Step {
    Bytes command;
    const char* code;  // "" = failed
    std::uint64_t timeouts;
  };
  for (const Step& step : {Step{kIdentify, "", 1},    // nothing before it: no answer at all
                           Step{kDiagnostic, "", 2},  // gets the identification
                           Step{kStatus, "", 3},      // gets the diagnostic answer
                           Step{kStatus, "81", 3},    // the status before it: same command
                           Step{kIdentify, "", 4}}) {
    EXPECT_EQ(Code(link_.Exchange(step.command)), step.code);
    EXPECT_EQ(link_.Counters().timeouts, step.timeouts);
  }
  EXPECT_EQ(link_.Counters().crc_errors, 0u);
  EXPECT_EQ(link_.Counters().naks, 0u);
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(HdlcLinkTest, TimeoutTakesTheResponseWindow) {
  model_.Options().silent = true;
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  EXPECT_GE(clock.elapsed(), kResponseWindowMs);
  EXPECT_LT(clock.elapsed(), kResponseWindowMs + 1000);  // generous: a loaded machine
}

// A pulled adapter: every exchange fails at once and counts as a time-out; once the
// port is back the link answers again.
TEST_F(HdlcLinkTest, VanishedPortCountsFailuresAndRecovers) {
  port_.Unplug();
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  EXPECT_LT(clock.elapsed(), kResponseWindowMs);
  EXPECT_EQ(link_.Counters().timeouts, 4u);
  ASSERT_TRUE(port_.Open());
  EXPECT_TRUE(link_.Exchange(kStatus).has_value());
  EXPECT_EQ(link_.Counters().timeouts, 4u);
}

TEST_F(HdlcLinkTest, StaleAndLateBytesNeverReachTheNextResponse) {
  // An old complete answer and a half frame are waiting when the command goes out.
  port_.InjectBytes(Rsp("FB 00") + Hex("7E 01 13 81"));
  EXPECT_EQ(Code(link_.Exchange(kIdentify)), "BC");
  // The answer of a timed-out exchange lands while the link is idle.
  model_.Options().delay_ms = kResponseWindowMs + 30;
  EXPECT_FALSE(link_.Exchange(kStatus).has_value());
  common::Delay(60);
  model_.Options().delay_ms = 0;
  EXPECT_EQ(Code(link_.Exchange(kIdentify)), "BC");
  EXPECT_EQ(link_.Counters().crc_errors, 0u);
  EXPECT_EQ(link_.Counters().timeouts, 1u);
}

TEST_F(HdlcLinkTest, ReentrantExchangeIsRefusedWithoutSending) {
  model_.Options().delay_ms = 20;
  std::optional<Bytes> inner = Bytes{0x00};
  QTimer::singleShot(5, [&] { inner = link_.Exchange(kIdentify); });
  EXPECT_EQ(Code(link_.Exchange(kStatus)), "81");
  EXPECT_FALSE(inner.has_value());
  EXPECT_EQ(port_.TakeWritten().size(), 1);
}

// A port that answers inside Write(), before the link starts waiting, in pieces.
class InstantPort : public common::SerialPort {
 public:
  QList<QByteArray> replies;
  QByteArray rx;  // waiting, notification not handled yet
  int piece = 3;
  bool Open() override { return true; }
  void Close() override {}
  bool IsOpen() const override { return true; }
  QString Description() const override { return "instant"; }
  qint64 BytesWaiting() const override { return rx.size(); }
  void Discard() override { rx.clear(); }
  QByteArray Read(qint64 n) override {
    const QByteArray out = rx.left(n);
    rx.remove(0, out.size());
    return out;
  }
  bool Write(const QByteArray&) override {
    const QByteArray reply = replies.isEmpty() ? QByteArray() : replies.takeFirst();
    for (qsizetype i = 0; i < reply.size(); i += piece) {
      rx.append(reply.mid(i, piece));
      emit BytesReceived();
    }
    return true;
  }
};

TEST(HdlcLinkInstantTest, ResponsesByteByByte) {
  struct Case {
    const char* name;
    QByteArray stale;
    QList<QByteArray> replies;
    QStringList payloads;  // one per exchange, "" = failed
    std::uint64_t crc_errors;
    std::uint64_t timeouts = 0;
  };
  const QList<Case> cases = {
      {"faster than the wait", {}, {Rsp("81")}, {"81"}, 0},
      // Another command's answer is not this one's: no answer came for it.
      {"0xBC to a status command", {}, {Rsp("BC 03 49 44")}, {""}, 0, 1},
      {"0x82 to a switch-pack status command", {}, {Rsp("82 00")}, {""}, 0, 1},
      {"escaped bytes", {}, {Rsp("81 7E 7D 00")}, {"81 7E 7D 00"}, 0},
      {"after the closing flag",
       {},
       {Rsp("81 01") + Hex("55 7E 01 13"), Rsp("81 02")},
       {"81 01", "81 02"},
       0},
      {"unread stale bytes", Rsp("FB 00") + Hex("7E 01"), {Rsp("81 02")}, {"81 02"}, 0},
      {"noise before the opening flag", {}, {Hex("00") + Rsp("81 01")}, {""}, 1},
      {"short bodies with a good FCS", {}, {Hex("7E 00 00 7E"), Rsp("")}, {"", ""}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstantPort port;
    port.piece = c.stale.isEmpty() ? 1 : 3;
    port.rx = c.stale;
    port.replies = c.replies;
    common::ScriptedPrompts prompts;
    HdlcLink link(port, prompts);
    for (const QString& expected : c.payloads)
      EXPECT_EQ(H(link.Exchange(kStatus).value_or(Bytes{})), expected.toStdString());
    EXPECT_EQ(link.Counters().crc_errors, c.crc_errors);
    EXPECT_EQ(link.Counters().timeouts, c.timeouts);
    EXPECT_TRUE(prompts.shown().empty());
  }
}

}  // namespace
}  // namespace corvid
