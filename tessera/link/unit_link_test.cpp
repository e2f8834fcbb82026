#include "tessera/link/unit_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <functional>

#include "common/prompts.h"
#include "common/simulated_port.h"
#include "common/testing/test_support.h"
#include "tessera/link/test_bytes.h"
#include "tessera/sim/tbx_model.h"

namespace tessera {
namespace {

using tessera::hex::B;
using tessera::hex::H;

using common::testing::Hex;
using common::testing::ToHex;

// A device whose answers the test writes by hand (bad checksums, counted bodies).
class HandDevice : public common::DeviceModel {
 public:
  std::function<common::DeviceReply(ByteSpan)> answer;
  int requests = 0;
  common::DeviceReply Receive(std::span<const std::uint8_t> bytes) override {
    ++requests;
    return answer ? answer(bytes) : common::DeviceReply{};
  }
};

// Records whether the hourglass was still on when a box came up.
class RecordingPrompts : public common::ScriptedPrompts {
 public:
  common::Answer Show(const common::Message& message) override {
    busy_at_show.push_back(busy_depth());
    return ScriptedPrompts::Show(message);
  }
  std::vector<int> busy_at_show;
};

sim::TbxOptions Quiet() {
  sim::TbxOptions options;
  options.idle_animation = false;
  return options;
}

// Port, prompts, identity and link over one device model.
struct Rig {
  explicit Rig(common::DeviceModel* device) : port(device), link(port, prompts, identity) {
    port.SetSettings("19200,E,8,1");
    port.Open();
  }
  common::SimulatedPort port;
  RecordingPrompts prompts;
  UnitIdentity identity;
  UnitLink link;
};

class UnitLinkTest : public ::testing::Test {
 protected:
  sim::TbxModel model{Quiet()};
  Rig rig{&model};
  UnitLink& link = rig.link;
};

TEST_F(UnitLinkTest, StatusExchangeSendsWireBytesAndKeepsResponse) {
  model.Options().line_sync_error = true;
  const Frame rx = link.Exchange(StatusRequest(), kStatusResponse);
  const QList<QByteArray> written = rig.port.TakeWritten();
  ASSERT_EQ(written.size(), 1);
  EXPECT_EQ(ToHex(written[0]), "31 00 CE");
  EXPECT_EQ(H(rx), "31 02 00 00 00 00 00 00 CC");
  EXPECT_EQ(link.RxFrame(), rx);
  EXPECT_EQ(link.CommError(), 0);
  EXPECT_TRUE(LineSyncErrorOf(rx));
  EXPECT_FALSE(link.Busy());
  EXPECT_EQ(link.Counters().exchanges, 1u);
  EXPECT_EQ(link.Counters().failures, 0u);
}

TEST_F(UnitLinkTest, OutputsComeBackOnTheInputs) {
  std::array<std::uint8_t, 16> outputs{};
  outputs[0] = 0x81;  // points 0 and 7
  outputs[6] = 0x40;  // point 54
  ASSERT_EQ(link.Exchange(OutputRequest(outputs), kOutputResponse).size(), 3u);
  const Frame rx = link.Exchange(InputRequest({.output_front_panel = true}), kInputResponse);
  ASSERT_EQ(rx.size(), 14u);
  const auto data = InputDataOf(rx);
  EXPECT_EQ(data[0], 0x81);
  EXPECT_EQ(data[6], 0x40);
  EXPECT_EQ(UnitAddressOf(rx), 5);
  EXPECT_EQ(model.LastControlByte(), 0x01);
}

TEST_F(UnitLinkTest, BadChecksumsAreRejected) {
  // Answers of sum 0xFE and 0x00 (last byte off by one either way).
  for (const int delta : {-1, +1}) {
    HandDevice device;
    device.answer = [delta](ByteSpan) {
      Frame answer = B("31 00 00 00 00 00 00 00 CE");
      answer.back() = static_cast<std::uint8_t>(answer.back() + delta);
      return common::DeviceReply{answer, 0};
    };
    Rig r(&device);
    EXPECT_TRUE(r.link.Exchange(StatusRequest(), kStatusResponse).empty()) << delta;
    EXPECT_TRUE(r.link.RxFrame().empty());
    EXPECT_EQ(r.link.CommErrorText(), "Checksum Error");
    EXPECT_EQ(r.link.Counters().checksum_errors, 1u);
    EXPECT_TRUE(r.prompts.shown().empty());  // the poll exchanges are silent
  }
}

TEST_F(UnitLinkTest, ChecksumErrorAsksWhenShowingErrors) {
  model.Options().corrupt_every = 2;  // every second answer is bad
  ASSERT_EQ(link.Exchange(StatusRequest(), kStatusResponse).size(), 9u);
  rig.port.TakeWritten();
  rig.prompts.QueueAnswer(common::Answer::kRetry);
  const Frame rx = link.Exchange(StatusRequest(), kStatusResponse, 500, true);
  EXPECT_EQ(rx.size(), 9u);
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_EQ(rig.prompts.shown()[0].text, "Checksum Error");
  EXPECT_EQ(rig.port.TakeWritten().size(), 2);
}

TEST_F(UnitLinkTest, SilentUnitTimesOut) {
  model.Options().silent = true;
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(link.Exchange(InputRequest({}), kInputResponse, 60).empty());
  EXPECT_GE(clock.elapsed(), 60);
  EXPECT_LT(clock.elapsed(), 400);  // transmit-done came at once: no 500 ms fallback
  EXPECT_EQ(link.CommErrorText(), "Rx Timeout Error");
  EXPECT_NE(link.CommError(), 0);
  EXPECT_EQ(link.Counters().timeouts, 1u);
  EXPECT_EQ(link.Counters().failures, 1u);
  EXPECT_TRUE(rig.prompts.shown().empty());
  EXPECT_EQ(rig.prompts.max_busy_depth(), 0);  // no hourglass without showErrors
}

TEST_F(UnitLinkTest, TimeoutBoxRetryResendsCancelGivesUp) {
  model.Options().silent = true;
  rig.prompts.QueueAnswer(common::Answer::kRetry);
  rig.prompts.QueueAnswer(common::Answer::kCancel);
  EXPECT_TRUE(link.Exchange(StatusRequest(), kStatusResponse, 20, true).empty());
  ASSERT_EQ(rig.prompts.shown().size(), 2u);
  for (const common::Message& box : rig.prompts.shown()) {
    EXPECT_EQ(box.title, "Communications Error");
    EXPECT_EQ(box.text, "Rx Timeout Error");
    EXPECT_EQ(box.buttons, common::Buttons::kRetryCancel);
    EXPECT_EQ(box.icon, common::Icon::kCritical);
  }
  EXPECT_EQ(rig.port.TakeWritten().size(), 2);  // Retry sent the request again
  EXPECT_EQ(link.Counters().resends, 1u);
  // Hourglass while waiting, off again before each box and at the end.
  EXPECT_EQ(rig.prompts.max_busy_depth(), 1);
  EXPECT_EQ(rig.prompts.busy_depth(), 0);
  EXPECT_EQ(rig.prompts.busy_at_show, (std::vector<int>{0, 0}));
}

TEST_F(UnitLinkTest, RetryThenAnswer) {
  HandDevice device;
  device.answer = [&device](ByteSpan) {
    if (device.requests == 1) return common::DeviceReply{};
    return common::DeviceReply{B("31 00 00 00 00 00 00 00 CE"), 0};
  };
  Rig r(&device);
  r.prompts.QueueAnswer(common::Answer::kRetry);
  EXPECT_EQ(r.link.Exchange(StatusRequest(), kStatusResponse, 20, true).size(), 9u);
  EXPECT_EQ(r.prompts.shown().size(), 1u);
  EXPECT_EQ(device.requests, 2);
}

TEST_F(UnitLinkTest, SilentRetriesResendBeforeAsking) {
  model.Options().silent = true;
  EXPECT_TRUE(link.Exchange(StatusRequest(), kStatusResponse, 10, false, 2).empty());
  EXPECT_EQ(rig.port.TakeWritten().size(), 3);
  EXPECT_EQ(link.Counters().resends, 2u);

  rig.prompts.QueueAnswer(common::Answer::kCancel);
  EXPECT_TRUE(link.Exchange(StatusRequest(), kStatusResponse, 10, true, 1).empty());
  EXPECT_EQ(rig.port.TakeWritten().size(), 2);
  EXPECT_EQ(rig.prompts.shown().size(), 1u);  // asked only once the retry was used up
}

TEST_F(UnitLinkTest, ReceiveErrorsFailAtOnceOthersAreIgnored) {
  const struct {
    int code;
    const char* text;  // nullptr: ignored
  } cases[] = {
      {1004, "Rx Framing Error"},       {1006, "Rx Data Overrun Error"},
      {1008, "Rx Buffer Overrun Error"}, {1009, "Rx Parity Error"},
      {1005, nullptr},                  {1007, nullptr},
      {0, nullptr},
  };
  model.Options().delay_ms = 40;  // the error comes before the answer
  for (const auto& c : cases) {
    QTimer::singleShot(5, &rig.port, [this, code = c.code] { rig.port.InjectError(code); });
    QElapsedTimer clock;
    clock.start();
    const Frame rx = link.Exchange(StatusRequest(), kStatusResponse, 300);
    if (c.text) {
      EXPECT_TRUE(rx.empty()) << c.code;
      EXPECT_EQ(link.CommErrorText(), c.text);
      EXPECT_EQ(link.CommError(), c.code);
      EXPECT_LT(clock.elapsed(), 40) << "an error ends the wait at once";
    } else {
      EXPECT_EQ(rx.size(), 9u) << c.code;
      EXPECT_EQ(link.CommError(), 0);
    }
  }
  EXPECT_EQ(link.Counters().receive_errors, 4u);
}

TEST_F(UnitLinkTest, ReceiveErrorBoxShowsItsText) {
  model.Options().silent = true;
  QTimer::singleShot(5, &rig.port, [this] { rig.port.InjectError(common::kParityError); });
  rig.prompts.QueueAnswer(common::Answer::kCancel);
  EXPECT_TRUE(link.Exchange(StatusRequest(), kStatusResponse, 300, true).empty());
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_EQ(rig.prompts.shown()[0].text, "Rx Parity Error");
}

TEST_F(UnitLinkTest, MissingTransmitDoneCostsTheFallbackOnly) {
  rig.port.SetSuppressTransmitDone(true);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(link.Exchange(StatusRequest(), kStatusResponse).size(), 9u);
  EXPECT_GE(clock.elapsed(), UnitLink::kTransmitWaitMs - 1);
  EXPECT_LT(clock.elapsed(), UnitLink::kTransmitWaitMs + 300);
}

// A reply of a counted shape, with the header and the body as the test wants them.
struct CountedReply {
  Frame header;
  Frame body;
};

Frame WithChecksum(Frame bytes) {
  bytes.push_back(Checksum(bytes));
  return bytes;
}

CountedReply EventLog(int records) {
  Frame header = B("7F 0D 00 23 23 14 00");
  header.push_back(static_cast<std::uint8_t>(records & 0xFF));
  header.push_back(static_cast<std::uint8_t>(records >> 8));
  Frame all = header;
  for (int i = 0; i < records * 7 + 4; ++i) all.push_back(static_cast<std::uint8_t>(i));
  all = WithChecksum(all);
  return {header, Frame(all.begin() + static_cast<std::ptrdiff_t>(header.size()), all.end())};
}

constexpr ResponseShape kEventLog = ResponseShape::Counted(9, 7, 4, true);

TEST_F(UnitLinkTest, CountedResponseArrivingInOnePiece) {
  for (const int records : {0, 1, 261}) {
    const CountedReply reply = EventLog(records);
    HandDevice device;
    device.answer = [&](ByteSpan) {
      Frame all = reply.header;
      all.insert(all.end(), reply.body.begin(), reply.body.end());
      return common::DeviceReply{all, 0};
    };
    Rig r(&device);
    const Frame rx = r.link.Exchange(BuildExtendedFrame(kCmdReadEvents), kEventLog, 500);
    EXPECT_EQ(rx.size(), 9u + 7u * records + 5u) << records;
    EXPECT_TRUE(IsValidFrame(rx));
  }
}

TEST_F(UnitLinkTest, CountedResponseHeaderThenBody) {
  const CountedReply reply = EventLog(2);
  HandDevice device;
  Rig r(&device);
  device.answer = [&](ByteSpan) {
    // The body trickles in after the header, in two pieces.
    const QByteArray body(reinterpret_cast<const char*>(reply.body.data()),
                          static_cast<qsizetype>(reply.body.size()));
    QTimer::singleShot(20, &r.port, [&r, body] { r.port.InjectBytes(body.left(5)); });
    QTimer::singleShot(40, &r.port, [&r, body] { r.port.InjectBytes(body.mid(5)); });
    return common::DeviceReply{reply.header, 0};
  };
  const Frame rx = r.link.Exchange(BuildExtendedFrame(kCmdReadEvents), kEventLog, 500);
  EXPECT_EQ(rx.size(), 9u + 14u + 5u);
}

TEST_F(UnitLinkTest, EmptyLogStillNeedsExtraAndChecksum) {
  const CountedReply reply = EventLog(0);
  HandDevice device;
  device.answer = [&](ByteSpan) { return common::DeviceReply{reply.header, 0}; };  // no body
  Rig r(&device);
  EXPECT_TRUE(r.link.Exchange(BuildExtendedFrame(kCmdReadEvents), kEventLog, 50).empty());
  EXPECT_EQ(r.link.CommErrorText(), "Rx Timeout Error");
}

TEST_F(UnitLinkTest, ShortFixedResponseTimesOut) {
  HandDevice device;
  device.answer = [](ByteSpan) { return common::DeviceReply{B("31 00 00 00 00"), 0}; };
  Rig r(&device);
  EXPECT_TRUE(r.link.Exchange(StatusRequest(), kStatusResponse, 40).empty());
  EXPECT_EQ(r.link.CommErrorText(), "Rx Timeout Error");
}

TEST_F(UnitLinkTest, StaleBytesAreClearedBeforeSending) {
  rig.port.InjectBytes(Hex("31 00 00 00 00 00 00 00 CE 55 55"));
  model.Options().line_sync_error = true;
  const Frame rx = link.Exchange(StatusRequest(), kStatusResponse);
  EXPECT_EQ(H(rx), "31 02 00 00 00 00 00 00 CC");
}

TEST_F(UnitLinkTest, SecondExchangeDuringAWaitIsRefused) {
  model.Options().delay_ms = 40;
  Frame inner = B("AA");
  bool was_busy = false;
  QTimer::singleShot(5, &rig.port, [&] {
    was_busy = link.Busy();
    inner = link.Exchange(InputRequest({}), kInputResponse);
  });
  const Frame outer = link.Exchange(StatusRequest(), kStatusResponse, 300);
  EXPECT_TRUE(was_busy);
  EXPECT_TRUE(inner.empty());
  EXPECT_EQ(outer.size(), 9u);  // the first exchange got its own answer
  EXPECT_EQ(outer[0], kCmdStatus);
  EXPECT_EQ(link.Counters().rejected_busy, 1u);
  EXPECT_EQ(link.Counters().exchanges, 1u);
  EXPECT_EQ(rig.port.TakeWritten().size(), 1);  // nothing was sent for the refused one
}

TEST_F(UnitLinkTest, ClosedPortFailsFast) {
  rig.port.Close();
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(link.Exchange(StatusRequest(), kStatusResponse).empty());
  EXPECT_LT(clock.elapsed(), 100);
  EXPECT_EQ(link.Counters().write_failures, 1u);
  rig.prompts.QueueAnswer(common::Answer::kCancel);
  EXPECT_TRUE(link.Exchange(StatusRequest(), kStatusResponse, 500, true).empty());
  ASSERT_EQ(rig.prompts.shown().size(), 1u);
  EXPECT_EQ(rig.prompts.shown()[0].title, "Communications Error");
}

TEST_F(UnitLinkTest, UnpluggedDuringWaitFailsAtOnce) {
  model.Options().delay_ms = 200;
  QTimer::singleShot(10, &rig.port, [this] { rig.port.Unplug(); });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(link.Exchange(StatusRequest(), kStatusResponse).empty());
  EXPECT_LT(clock.elapsed(), 150);
  EXPECT_EQ(link.CommErrorText(), "Disconnected");
}

TEST_F(UnitLinkTest, IdentifyTakesVersionsAndSetsKalUnit) {
  model.Options().comm_version = 0x21;
  model.Options().firmware_type = 0x07;
  model.Options().firmware_revision = 0x14;
  int changed = 0;
  QObject::connect(&link, &UnitLink::FirmwareVersionChanged, [&] {
    ++changed;
    EXPECT_TRUE(rig.identity.KalUnit);  // already set when the window looks
  });
  EXPECT_TRUE(link.SendKalRmsFrame());
  EXPECT_EQ(ToHex(rig.port.TakeWritten().value(0)), "71 0D 00 00 81");
  EXPECT_EQ(link.RxFrame().size(), 15u);
  EXPECT_TRUE(rig.identity.KalUnit);
  EXPECT_EQ(rig.identity.CommVersion, 0x21);
  EXPECT_EQ(rig.identity.FirmwareType, 0x07);
  EXPECT_EQ(rig.identity.FirmwareRevision, 0x14);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(FirmwareVersionText(rig.identity), "Firmware Version = 07, Firmware Revision = 1.4 ");
}

TEST_F(UnitLinkTest, IdentifyUnansweredByAnOlderUnit) {
  model.Options().extended = false;
  rig.identity.KalUnit = true;
  EXPECT_FALSE(link.SendKalRmsFrame());
  EXPECT_FALSE(rig.identity.KalUnit);
  EXPECT_EQ(link.CommErrorText(), "Rx Timeout Error");
}

TEST_F(UnitLinkTest, IdentifyAnswerWithoutMarkerIsNotExtended) {
  const struct {
    bool kal_switch;
    bool kal_unit_after;  // only "/kal" keeps it
  } cases[] = {{false, false}, {true, true}};
  for (const auto& c : cases) {
    HandDevice device;
    device.answer = [](ByteSpan) {
      return common::DeviceReply{WithChecksum(B("71 0C 00 21 23 14 00 00 00 00 00 00 00 00")), 0};
    };
    Rig r(&device);
    r.identity.KalSwitch = c.kal_switch;
    r.identity.KalUnit = true;
    EXPECT_FALSE(r.link.SendKalRmsFrame());
    EXPECT_EQ(r.link.RxFrame().size(), 15u);  // valid for the link, rejected by the caller
    EXPECT_EQ(r.identity.KalUnit, c.kal_unit_after) << c.kal_switch;
    EXPECT_EQ(r.identity.CommVersion, 0);  // versions only come from extended answers
  }
}

TEST_F(UnitLinkTest, OtherExtendedAnswersRefreshVersionsOnly) {
  model.SetCommand(kCmdClearEvents, sim::FixedLength(4), [](ByteSpan) {
    return std::optional<Frame>(B("7E 0D 00 22 23 15 00"));
  });
  int changed = 0;
  QObject::connect(&link, &UnitLink::FirmwareVersionChanged, [&] { ++changed; });
  EXPECT_EQ(link.Exchange(BuildExtendedFrame(kCmdClearEvents), ResponseShape::Fixed(8)).size(), 8u);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(rig.identity.CommVersion, 0x22);
  EXPECT_FALSE(rig.identity.KalUnit);
  // A plain (non-extended) exchange never touches the identity.
  link.Exchange(StatusRequest(), kStatusResponse);
  EXPECT_EQ(changed, 1);
}

TEST_F(UnitLinkTest, BusyIdentifyLeavesKalUnitAlone) {
  model.Options().delay_ms = 30;
  rig.identity.KalUnit = true;
  bool inner = true;
  QTimer::singleShot(5, &rig.port, [&] { inner = link.SendKalRmsFrame(); });
  link.Exchange(StatusRequest(), kStatusResponse, 300);
  EXPECT_FALSE(inner);
  EXPECT_TRUE(rig.identity.KalUnit);
}

}  // namespace
}  // namespace tessera

namespace tessera {
namespace {

// Quitting the application poisons every later wait of the process, so this runs
// in a child copy of the test binary.
TEST(UnitLinkQuitTest, QuitDuringAWaitGivesUpWithoutAsking) {
  if (qEnvironmentVariableIsSet("TESSERA_LINK_QUIT_CHILD")) {
    sim::TbxOptions options;
    options.silent = true;
    sim::TbxModel model(options);
    Rig rig(&model);
    // The exchange runs inside the application's own loop, as in the program; quit()
    // is ignored without one.
    Frame rx = B("AA");
    qint64 elapsed = -1;
    QTimer::singleShot(0, [&] {
      QElapsedTimer clock;
      clock.start();
      // With show_errors and an empty script every box would answer Retry: only the
      // quit can end this exchange.
      rx = rig.link.Exchange(StatusRequest(), kStatusResponse, 2000, true);
      elapsed = clock.elapsed();
    });
    QTimer::singleShot(20, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_TRUE(rx.empty());
    EXPECT_GE(elapsed, 0);
    EXPECT_LT(elapsed, 1000);
    EXPECT_TRUE(rig.prompts.shown().empty());
    EXPECT_EQ(rig.prompts.busy_depth(), 0);
    EXPECT_FALSE(rig.link.Busy());
    return;
  }
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TESSERA_LINK_QUIT_CHILD", "1");
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=UnitLinkQuitTest.QuitDuringAWaitGivesUpWithoutAsking"});
  ASSERT_TRUE(child.waitForFinished(10000));
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

}  // namespace
}  // namespace tessera
