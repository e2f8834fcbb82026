#include "corvid/link/hdlc_link.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <deque>

#include "common/prompts.h"
#include "common/simulated_port.h"
#include "common/testing/test_support.h"
#include "corvid/link/crc.h"
#include "corvid/sim/switch_pack_model.h"

namespace corvid {
namespace {

using common::testing::Hex;
using common::testing::ToHex;

QByteArray ToQ(const Bytes& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

// Wire frame of a response body (address, control, payload + FCS).
QByteArray ResponseFrame(Bytes body) {
  const Crc crc = CalculateCRCString(body);
  body.push_back(crc.Crc_ls);
  body.push_back(crc.Crc_ms);
  return ToQ(FrameBody(body));
}

const QByteArray kStatusCommand = Hex("01 80 80");
const QByteArray kIdCommand = Hex("3C");

class HdlcLinkTest : public ::testing::Test {
 protected:
  HdlcLinkTest() : port_(&model_), link_(port_, prompts_) { port_.Open(); }

  SwitchPackModel model_;
  common::SimulatedPort port_;
  common::ScriptedPrompts prompts_;
  HdlcLink link_;
};

TEST_F(HdlcLinkTest, StatusExchangeSendsExampleFrameAndReturnsPayload) {
  const auto payload = link_.Exchange(kStatusCommand);
  ASSERT_TRUE(payload.has_value());
  EXPECT_EQ(payload->size(), 30);
  EXPECT_EQ(static_cast<std::uint8_t>(payload->at(0)), 0x81);
  EXPECT_EQ(*payload, link_.RxFrame());
  const auto written = port_.TakeWritten();
  ASSERT_EQ(written.size(), 1);
  EXPECT_EQ(ToHex(written[0]), "7E 01 13 01 80 80 47 70 7E");
  EXPECT_FALSE(link_.Busy());
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(HdlcLinkTest, SlotAddressGoesIntoTheFrame) {
  model_.Options().slot = 13;
  link_.SetSlotAddress(13);
  EXPECT_TRUE(link_.Exchange(kIdCommand).has_value());
  EXPECT_EQ(ToHex(port_.TakeWritten().value(0)), "7E 0D 13 3C A5 7D 5D 7E");
  // Another slot's device stays silent.
  link_.SetSlotAddress(12);
  EXPECT_FALSE(link_.Exchange(kIdCommand).has_value());
  EXPECT_EQ(link_.Counters().RxTimeoutCount, 1);
}

struct FaultCase {
  const char* name;
  void (*setup)(SwitchPackOptions&);
  long LinkCounters::*counter;
};

class LinkCounterTest : public HdlcLinkTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(LinkCounterTest, EachFaultRaisesOnlyItsCounterOncePerExchange) {
  GetParam().setup(model_.Options());
  QSignalSpy finished(&link_, &HdlcLink::ExchangeFinished);
  constexpr int kExchanges = 3;
  for (int i = 0; i < kExchanges; ++i) {
    EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
    EXPECT_TRUE(link_.RxFrame().isEmpty());
  }
  LinkCounters expected;
  expected.*GetParam().counter = kExchanges;
  EXPECT_EQ(link_.Counters().CrcErrorCount, expected.CrcErrorCount);
  EXPECT_EQ(link_.Counters().RxTimeoutCount, expected.RxTimeoutCount);
  EXPECT_EQ(link_.Counters().RxNakCount, expected.RxNakCount);
  ASSERT_EQ(finished.size(), kExchanges);
  for (const auto& args : finished) EXPECT_FALSE(args.at(0).toBool());
  EXPECT_TRUE(prompts_.shown().empty());
  // The device is fine again: the next exchange succeeds and counts nothing.
  model_.Options() = SwitchPackOptions{};
  EXPECT_TRUE(link_.Exchange(kStatusCommand).has_value());
  EXPECT_EQ(finished.size(), kExchanges + 1);
  EXPECT_TRUE(finished.last().at(0).toBool());
  EXPECT_EQ(link_.Counters().*GetParam().counter, kExchanges);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LinkCounterTest,
    ::testing::Values(
        FaultCase{"BadFcs", [](SwitchPackOptions& o) { o.bad_fcs_every = 1; },
                  &LinkCounters::CrcErrorCount},
        FaultCase{"Silent", [](SwitchPackOptions& o) { o.silent = true; },
                  &LinkCounters::RxTimeoutCount},
        FaultCase{"Dropped", [](SwitchPackOptions& o) { o.drop_every = 1; },
                  &LinkCounters::RxTimeoutCount},
        FaultCase{"Nak", [](SwitchPackOptions& o) { o.nak_every = 1; },
                  &LinkCounters::RxNakCount}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HdlcLinkTest, EveryNthFaultCountsExactly) {
  model_.Options().bad_fcs_every = 3;
  int good = 0;
  for (int i = 0; i < 9; ++i) good += link_.Exchange(kStatusCommand).has_value() ? 1 : 0;
  EXPECT_EQ(good, 6);
  EXPECT_EQ(link_.Counters().CrcErrorCount, 3);
  EXPECT_EQ(link_.Counters().RxTimeoutCount, 0);
}

TEST_F(HdlcLinkTest, NakCountStopsAt255WhileOthersKeepCounting) {
  link_.Counters().RxNakCount = 250;
  model_.Options().nak_every = 1;
  for (int i = 0; i < 8; ++i) link_.Exchange(kStatusCommand);
  EXPECT_EQ(link_.Counters().RxNakCount, 255);
  model_.Options().nak_every = 0;
  model_.Options().bad_fcs_every = 1;
  link_.Exchange(kStatusCommand);
  link_.Exchange(kStatusCommand);
  model_.Options().silent = true;
  link_.Exchange(kStatusCommand);
  EXPECT_EQ(link_.Counters().RxNakCount, 255);
  EXPECT_EQ(link_.Counters().CrcErrorCount, 2);
  EXPECT_EQ(link_.Counters().RxTimeoutCount, 1);
  link_.Counters().Clear();
  EXPECT_EQ(link_.Counters().RxNakCount, 0);
  EXPECT_EQ(link_.Counters().CrcErrorCount, 0);
  EXPECT_EQ(link_.Counters().RxTimeoutCount, 0);
}

TEST_F(HdlcLinkTest, ForeignCodeShowsMessageWithDecimalCode) {
  model_.Options().foreign_every = 1;
  model_.Options().foreign_code = 0x41;
  EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& m = prompts_.shown()[0];
  EXPECT_EQ(m.title, "Serial Bus #3 Error");
  EXPECT_EQ(m.text, "Unknown Frame Type Received (65)");
  EXPECT_EQ(m.icon, common::Icon::kCritical);
  EXPECT_EQ(m.buttons, common::Buttons::kOk);
  const LinkCounters& c = link_.Counters();
  EXPECT_EQ(c.CrcErrorCount + c.RxTimeoutCount + c.RxNakCount, 0);
}

TEST_F(HdlcLinkTest, TimeoutTakesTheResponseWindow) {
  model_.Options().silent = true;
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
  EXPECT_GE(clock.elapsed(), kResponseWindowMs);
  EXPECT_LT(clock.elapsed(), kResponseWindowMs + 100);
}

TEST_F(HdlcLinkTest, ClosedPortFailsAtOnceAsTimeout) {
  port_.Close();
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
  EXPECT_LT(clock.elapsed(), kResponseWindowMs);
  EXPECT_EQ(link_.Counters().RxTimeoutCount, 1);
}

TEST_F(HdlcLinkTest, StaleBytesWaitingBeforeTheCommandAreDiscarded) {
  // An old complete answer and a half frame are waiting when the command goes out.
  port_.InjectBytes(ResponseFrame({0x01, 0x13, 0xFB, 0x00}) + Hex("7E 01 13 81"));
  const auto payload = link_.Exchange(kIdCommand);
  ASSERT_TRUE(payload.has_value());
  EXPECT_EQ(static_cast<std::uint8_t>(payload->at(0)), 0xBC);
  EXPECT_EQ(payload->size(), 62);
}

TEST_F(HdlcLinkTest, LateAnswerOfTimedOutExchangeNeverReachesTheNext) {
  model_.Options().delay_ms = kResponseWindowMs + 30;
  EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
  EXPECT_EQ(link_.Counters().RxTimeoutCount, 1);
  common::Delay(60);  // the late status answer lands while the link is idle
  model_.Options().delay_ms = 0;
  const auto payload = link_.Exchange(kIdCommand);
  ASSERT_TRUE(payload.has_value());
  EXPECT_EQ(static_cast<std::uint8_t>(payload->at(0)), 0xBC);
  EXPECT_EQ(link_.Counters().CrcErrorCount, 0);
}

TEST_F(HdlcLinkTest, ReentrantExchangeIsRefusedWithoutSending) {
  model_.Options().delay_ms = 20;
  QSignalSpy finished(&link_, &HdlcLink::ExchangeFinished);
  std::optional<QByteArray> inner = QByteArray("not run");
  bool busy_inside = false;
  QTimer::singleShot(5, [&] {
    busy_inside = link_.Busy();
    inner = link_.Exchange(kIdCommand);
  });
  const auto outer = link_.Exchange(kStatusCommand);
  ASSERT_TRUE(outer.has_value());
  EXPECT_EQ(static_cast<std::uint8_t>(outer->at(0)), 0x81);
  EXPECT_TRUE(busy_inside);
  EXPECT_FALSE(inner.has_value());
  EXPECT_EQ(port_.TakeWritten().size(), 1);
  EXPECT_EQ(finished.size(), 1);
}

// A port that answers inside Write(), before the link could start waiting, and
// hands the answer over in pieces.
class InstantPort : public common::SerialPort {
 public:
  QList<QByteArray> replies;
  int piece = 3;
  bool Open() override { return open_ = true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  QString Description() const override { return "instant"; }
  qint64 BytesWaiting() const override { return rx_.size(); }
  void Discard() override { rx_.clear(); }
  // Bytes that are waiting but whose notification has not been handled yet.
  void Preload(const QByteArray& bytes) { rx_.append(bytes); }
  QByteArray Read(qint64 n) override {
    const QByteArray out = rx_.left(n);
    rx_.remove(0, out.size());
    return out;
  }
  bool Write(const QByteArray&) override {
    if (!open_) return false;
    const QByteArray reply = replies.isEmpty() ? QByteArray() : replies.takeFirst();
    for (qsizetype i = 0; i < reply.size(); i += piece) {
      rx_.append(reply.mid(i, piece));
      emit BytesReceived();
    }
    return true;
  }

 private:
  bool open_ = false;
  QByteArray rx_;
};

class InstantPortTest : public ::testing::Test {
 protected:
  InstantPortTest() : link_(port_, prompts_) { port_.Open(); }
  InstantPort port_;
  common::ScriptedPrompts prompts_;
  HdlcLink link_;
};

TEST_F(InstantPortTest, AnswerFasterThanTheWaitIsTaken) {
  port_.replies << ResponseFrame({0x01, 0x13, 0xFC});
  const auto payload = link_.Exchange(Hex("7C"));
  ASSERT_TRUE(payload.has_value());
  EXPECT_EQ(ToHex(*payload), "FC");
}

TEST_F(InstantPortTest, IdentificationAnswerToStatusCommandIsAccepted) {
  port_.replies << ResponseFrame({0x01, 0x13, 0xBC, 0x03, 'I', 'D'});
  const auto payload = link_.Exchange(kStatusCommand);
  ASSERT_TRUE(payload.has_value());
  EXPECT_EQ(ToHex(*payload), "BC 03 49 44");
}

TEST_F(InstantPortTest, EscapedBytesArriveUnstuffed) {
  port_.piece = 1;
  port_.replies << ResponseFrame({0x01, 0x13, 0xFB, 0x7E, 0x7D, 0x00});
  const auto payload = link_.Exchange(Hex("7B"));
  ASSERT_TRUE(payload.has_value());
  EXPECT_EQ(ToHex(*payload), "FB 7E 7D 00");
}

TEST_F(InstantPortTest, BytesAfterClosingFlagDoNotLeakIntoNextResponse) {
  port_.piece = 1;
  port_.replies << ResponseFrame({0x01, 0x13, 0x81, 0x01}) + Hex("55 7E 01 13")
                << ResponseFrame({0x01, 0x13, 0x81, 0x02});
  EXPECT_EQ(ToHex(link_.Exchange(kStatusCommand).value_or("")), "81 01");
  EXPECT_EQ(ToHex(link_.Exchange(kStatusCommand).value_or("")), "81 02");
  EXPECT_EQ(link_.Counters().CrcErrorCount, 0);
}

TEST_F(InstantPortTest, UnreadStaleBytesAreDiscardedBeforeTheCommand) {
  port_.Preload(ResponseFrame({0x01, 0x13, 0xFB, 0x00}) + Hex("7E 01"));
  port_.replies << ResponseFrame({0x01, 0x13, 0xBC, 0x02});
  EXPECT_EQ(ToHex(link_.Exchange(kIdCommand).value_or("")), "BC 02");
  EXPECT_EQ(link_.Counters().CrcErrorCount, 0);
}

TEST_F(InstantPortTest, NoiseBeforeOpeningFlagFailsTheFcs) {
  port_.replies << Hex("00") + ResponseFrame({0x01, 0x13, 0x81, 0x01});
  EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
  EXPECT_EQ(link_.Counters().CrcErrorCount, 1);
}

TEST_F(InstantPortTest, ShortBodyWithGoodFcsFailsAsCrcError) {
  port_.replies << Hex("7E 00 00 7E") << ResponseFrame({0x01, 0x13});
  EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
  EXPECT_FALSE(link_.Exchange(kStatusCommand).has_value());
  EXPECT_EQ(link_.Counters().CrcErrorCount, 2);
  EXPECT_TRUE(prompts_.shown().empty());
}

}  // namespace
}  // namespace corvid
