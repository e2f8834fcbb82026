#include "tessera/link/unit_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <functional>

#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "tessera/sim/tbx_model.h"

namespace tessera {
namespace {

using common::testing::B;
using common::testing::H;

// Answers as the test writes them (bad checksums, counted bodies).
class HandDevice : public common::DeviceModel {
 public:
  std::function<Bytes()> answer;
  int requests = 0;
  common::DeviceReply Receive(common::ByteView) override {
    ++requests;
    return {answer ? answer() : Bytes{}, 0};
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

struct Rig {
  explicit Rig(common::DeviceModel* device) : port(device), link(port, prompts, identity) {
    port.SetSettings("19200,E,8,1");
    port.Open();
  }
  int Writes() { return static_cast<int>(port.TakeWritten().size()); }
  common::SimulatedPort port;
  RecordingPrompts prompts;
  UnitIdentity identity;
  UnitLink link;
};

class UnitLinkTest : public ::testing::Test {
 protected:
  sim::TbxModel model{{.idle_animation = false}};
  Rig rig{&model};
  UnitLink& link = rig.link;
};

Bytes WithChecksum(Bytes bytes) {
  bytes.push_back(Checksum(bytes));
  return bytes;
}

TEST_F(UnitLinkTest, ResponsesTakenOrRejectedSilently) {
  const struct {
    const char* name;
    const char* reply;
    const char* text;  // nullptr: the first 9 bytes are taken
  } cases[] = {
      {"good, after stale bytes that are dropped", "31 02 00 00 00 00 00 00 CC", nullptr},
      {"over-long: the rest is dropped", "31 00 00 00 00 00 00 00 CE 55 55", nullptr},
      {"sum FE", "31 00 00 00 00 00 00 00 CD", "Checksum Error"},
      {"sum 00", "31 00 00 00 00 00 00 00 CF", "Checksum Error"},
      {"garbage", "FF 13 A0 00 47 11 00 00 09", "Checksum Error"},
      {"short", "31 00 00 00 00", "Rx Timeout Error"},
      {"nothing", "", "Rx Timeout Error"},
  };
  for (const auto& c : cases) {
    HandDevice device;
    device.answer = [&] { return B(c.reply); };
    Rig r(&device);
    r.port.InjectBytes(common::testing::Hex("31 00 00 00 00 00 00 00 CE 55"));
    const Bytes rx = r.link.Exchange(StatusRequest(), kStatusResponse, 40);
    EXPECT_EQ(common::testing::ToHex(r.port.TakeWritten().value(0)), "31 00 CE");
    Bytes taken = B(c.text ? "" : c.reply);
    taken.resize(c.text ? 0 : 9);
    EXPECT_EQ(rx, taken) << c.name;
    EXPECT_EQ(r.link.LastResponse(), rx) << c.name;
    EXPECT_EQ(r.link.ErrorText(), c.text ? c.text : "") << c.name;
    EXPECT_TRUE(r.prompts.shown().empty()) << c.name;  // poll exchanges never ask
    EXPECT_EQ(r.prompts.max_busy_depth(), 0) << c.name;
  }
}

TEST_F(UnitLinkTest, TransmitWaitEndsAtTransmitDoneOrAfter500Ms) {
  const struct {
    bool transmit_done, silent;
    int min_ms, max_ms;
  } cases[] = {// The time-out runs from the end of transmission, not after the transmit wait.
               {true, true, 60, UnitLink::kTransmitWaitMs},
               {false, false, UnitLink::kTransmitWaitMs - 1, UnitLink::kTransmitWaitMs + 1000}};
  for (const auto& c : cases) {
    rig.port.SetSuppressTransmitDone(!c.transmit_done);
    model.Options().silent = c.silent;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(link.Exchange(StatusRequest(), kStatusResponse, 60).empty(), c.silent);
    EXPECT_GE(clock.elapsed(), c.min_ms);
    EXPECT_LT(clock.elapsed(), c.max_ms);
    EXPECT_EQ(link.ErrorCode() != 0, c.silent);
  }
}

TEST_F(UnitLinkTest, FailuresAskRetryOrCancelOnlyWhenShowingErrors) {
  using enum common::Answer;
  const char* bad = "31 00 00 00 00 00 00 00 CD";
  const char* good = "31 00 00 00 00 00 00 00 CE";
  const struct {
    std::vector<const char*> replies;  // to each request in turn ("": none)
    int silent_retries;
    bool show_errors;
    std::vector<common::Answer> answers;
    std::vector<QString> boxes;
    int writes;
  } cases[] = {
      {{"", ""}, 0, true, {kRetry, kCancel}, {"Rx Timeout Error", "Rx Timeout Error"}, 2},
      {{bad, good}, 0, true, {kRetry}, {"Checksum Error"}, 2},
      {{"", "", "", ""}, 2, false, {}, {}, 3},
      {{"", ""}, 1, true, {kCancel}, {"Rx Timeout Error"}, 2},  // asked once retries ran out
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.writes);
    HandDevice device;
    device.answer = [&] { return B(c.replies.at(device.requests - 1)); };
    Rig r(&device);
    for (common::Answer answer : c.answers) r.prompts.QueueAnswer(answer);
    const Bytes rx =
        r.link.Exchange(StatusRequest(), kStatusResponse, 20, c.show_errors, c.silent_retries);
    EXPECT_EQ(rx.empty(), c.replies.at(c.writes - 1) != good);
    EXPECT_EQ(r.Writes(), c.writes);
    std::vector<QString> boxes;
    for (const common::Message& box : r.prompts.shown()) {
      boxes.push_back(box.text);
      EXPECT_EQ(box.title, "Communications Error");
      EXPECT_EQ(box.buttons, common::Buttons::kRetryCancel);
      EXPECT_EQ(box.icon, common::Icon::kCritical);
    }
    EXPECT_EQ(boxes, c.boxes);
    // Hourglass while waiting, off before each box and at the end.
    EXPECT_EQ(r.prompts.max_busy_depth(), c.show_errors ? 1 : 0);
    EXPECT_EQ(r.prompts.busy_at_show, std::vector<int>(c.boxes.size(), 0));
    EXPECT_EQ(r.prompts.busy_depth(), 0);
  }
}

TEST_F(UnitLinkTest, ReceiveErrorsFailAtOnceOthersAreIgnored) {
  const struct {
    int code;
    const char* text;  // nullptr: ignored
  } cases[] = {
      {1004, "Rx Framing Error"},
      {1006, "Rx Data Overrun Error"},
      {1008, "Rx Buffer Overrun Error"},
      {1009, "Rx Parity Error"},
      {1005, nullptr},
      {0, nullptr},
  };
  model.Options().delay_ms = 40;  // the error comes before the answer
  for (const auto& c : cases) {
    QTimer::singleShot(5, &rig.port, [this, code = c.code] { rig.port.InjectError(code); });
    // Waiting on after the error would take the answer that comes at 40 ms.
    const Bytes rx = link.Exchange(StatusRequest(), kStatusResponse, 300);
    EXPECT_EQ(rx.empty(), c.text != nullptr) << c.code;
    EXPECT_EQ(link.ErrorCode(), c.text ? c.code : 0) << c.code;
    if (c.text) {
      EXPECT_EQ(link.ErrorText(), c.text);
    }
  }
}

constexpr ResponseShape kEventLog = ResponseShape::Counted(9, 7, 4, true);

// Header "7F 0D 00 .. count(2)" and a body of records * 7 + 4 bytes + checksum.
Bytes EventLog(int records) {
  Bytes all = B("7F 0D 00 23 23 14 00");
  all.push_back(static_cast<std::uint8_t>(records & 0xFF));
  all.push_back(static_cast<std::uint8_t>(records >> 8));
  for (int i = 0; i < records * 7 + 4; ++i) all.push_back(static_cast<std::uint8_t>(i));
  return WithChecksum(all);
}

TEST_F(UnitLinkTest, CountedResponses) {
  const struct {
    int records;
    int body_after_ms;  // -1: the body never comes; 0: with the header
    bool ok;
  } cases[] = {{0, 0, true},
               {1, 0, true},
               {261, 0, true},
               {2, 20, true},
               {0, -1, false},
               // 705 body bytes take 404 ms at 19 200 baud: beyond the 200 ms time-out,
               // within its wire time plus that margin.
               {100, 150, true}};
  for (const auto& c : cases) {
    const Bytes all = EventLog(c.records);
    const QByteArray bytes = common::ToQByteArray(all);
    HandDevice device;
    Rig r(&device);
    device.answer = [&] {
      if (c.body_after_ms == 0) return all;
      // The body trickles in after the header, in two pieces.
      if (c.body_after_ms > 0) {
        QTimer::singleShot(c.body_after_ms, [&] { r.port.InjectBytes(bytes.mid(9, 5)); });
        QTimer::singleShot(2 * c.body_after_ms, [&] { r.port.InjectBytes(bytes.mid(14)); });
      }
      return Bytes(all.begin(), all.begin() + 9);
    };
    std::vector<qint64> progress;
    QObject::connect(&r.link, &UnitLink::ResponseProgress, [&](qint64 received, qint64 of) {
      EXPECT_EQ(of, qint64(all.size()));
      progress.push_back(received);
    });
    const Bytes rx = r.link.Exchange(BuildExtendedFrame(kCmdReadEvents), kEventLog, 200);
    EXPECT_EQ(rx, c.ok ? all : Bytes{}) << c.records << " records";
    // From the header on, up to the whole answer when it came.
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), c.body_after_ms == 0 ? qint64(all.size()) : 9);
    if (c.ok) {
      EXPECT_EQ(progress.back(), qint64(all.size()));
    }
  }
}

TEST_F(UnitLinkTest, SecondExchangeDuringAWaitIsRefused) {
  model.Options().delay_ms = 40;
  rig.identity.extended_unit = true;
  Bytes inner = B("AA");
  bool inner_identify = true;
  QTimer::singleShot(5, &rig.port, [&] {
    inner = link.Exchange(InputRequest({}), kInputResponse);
    inner_identify = link.ExtendedIdentify();
  });
  const Bytes outer = link.Exchange(StatusRequest(), kStatusResponse, 300);
  EXPECT_TRUE(inner.empty());
  EXPECT_FALSE(inner_identify);
  EXPECT_TRUE(rig.identity.extended_unit);  // a refused identify is no verdict on the unit
  ASSERT_EQ(outer.size(), 9u);              // the first exchange got its own answer
  EXPECT_EQ(outer[0], kCmdStatus);
  EXPECT_EQ(rig.Writes(), 1);
}

TEST_F(UnitLinkTest, PortGoneFailsAtOnce) {
  // Pulled while waiting for the answer, or before the transmission was confirmed.
  for (const bool transmit_done : {true, false}) {
    Rig r(&model);
    r.port.SetSuppressTransmitDone(!transmit_done);
    model.Options().delay_ms = 1500;
    QTimer::singleShot(10, &r.port, [&r] { r.port.Unplug(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(r.link.Exchange(StatusRequest(), kStatusResponse).empty());
    EXPECT_LT(clock.elapsed(), 1000) << transmit_done;
    EXPECT_EQ(r.link.ErrorText(), "Disconnected");
    // Closed now: the next request is refused without a wait, and asks when told to.
    r.prompts.QueueAnswer(common::Answer::kCancel);
    clock.restart();
    EXPECT_TRUE(r.link.Exchange(StatusRequest(), kStatusResponse, 1500, true).empty());
    EXPECT_LT(clock.elapsed(), 1000);
    ASSERT_EQ(r.prompts.shown().size(), 1u);
    EXPECT_EQ(r.prompts.shown()[0].title, "Communications Error");
  }
}

// The unit never speaks unasked: bytes that come between exchanges (noise, a late
// answer, a flood) are dropped as they come, never kept for the next exchange.
TEST_F(UnitLinkTest, BytesBetweenExchangesAreDroppedAsTheyCome) {
  struct Case {
    const char* name;
    QByteArray bytes;
    int pieces;
  };
  // A whole, valid answer of a unit at address 9: kept, it would be taken next.
  const QByteArray late_answer = common::testing::Hex("34 00 00 00 00 00 00 00 90 00 00 00 00 3B");
  for (const Case& c :
       {Case{"a late answer", late_answer, 1}, Case{"noise in pieces", QByteArray(40, '\x0F'), 8},
        Case{"a flood", QByteArray(64 * 1024, '\0'), 64}}) {
    SCOPED_TRACE(c.name);
    const std::uint64_t discards = rig.link.Counters().idle_discards;
    const qsizetype piece = c.bytes.size() / c.pieces;
    for (int i = 0; i < c.pieces; ++i) {
      rig.port.InjectBytes(c.bytes.mid(i * piece, piece));
      EXPECT_EQ(rig.port.BytesWaiting(), 0);
    }
    EXPECT_EQ(rig.link.Counters().idle_discards, discards + c.pieces);
    // The next exchange gets its own answer (the model's unit is at address 5).
    const Bytes response = rig.link.Exchange(InputRequest({}), kInputResponse);
    EXPECT_EQ(H(response), "34 00 00 00 00 00 00 00 50 00 00 00 00 7B");
  }
  EXPECT_EQ(rig.link.Counters().failures, 0u);
}

TEST_F(UnitLinkTest, IdentifyDecidesKalUnit) {
  const struct {
    const char* name;
    const char* reply;  // without checksum; "" = no answer
    bool kal_switch;
    bool extended;
    bool kal_unit_after;  // the extended flag was true before
  } cases[] = {
      {"extended", "71 0D 00 21 07 14 00 00 00 00 00 00 00 00", false, true, true},
      {"no answer", "", false, false, false},
      {"no marker", "71 0C 00 21 07 14 00 00 00 00 00 00 00 00", false, false, false},
      {"no marker, /kal keeps it", "71 0C 00 21 07 14 00 00 00 00 00 00 00 00", true, false, true},
  };
  for (const auto& c : cases) {
    HandDevice device;
    device.answer = [&] { return *c.reply ? WithChecksum(B(c.reply)) : Bytes{}; };
    Rig r(&device);
    r.identity.extended_forced = c.kal_switch;
    r.identity.extended_unit = true;
    int changed = 0;
    QObject::connect(&r.link, &UnitLink::FirmwareVersionChanged, [&] {
      ++changed;
      EXPECT_TRUE(r.identity.extended_unit);  // already set when the window looks
    });
    EXPECT_EQ(r.link.ExtendedIdentify(), c.extended) << c.name;
    EXPECT_EQ(common::testing::ToHex(r.port.TakeWritten().value(0)), "71 0D 00 00 81");
    EXPECT_EQ(r.identity.extended_unit, c.kal_unit_after) << c.name;
    EXPECT_EQ(changed, c.extended ? 1 : 0) << c.name;
    // Versions only come from extended answers.
    const UnitIdentity& id = r.identity;
    EXPECT_EQ((id.comm_version << 16) | (id.firmware_type << 8) | id.firmware_revision,
              c.extended ? 0x210714 : 0)
        << c.name;
  }
}

TEST_F(UnitLinkTest, OtherExtendedAnswersRefreshVersionsOnly) {
  model.SetCommand(kCmdClearEvents, sim::FixedLength(4),
                   [](ByteView) { return std::optional<Bytes>(B("7E 0D 00 22 23 15 00")); });
  int changed = 0;
  QObject::connect(&link, &UnitLink::FirmwareVersionChanged, [&] { ++changed; });
  EXPECT_EQ(link.Exchange(BuildExtendedFrame(kCmdClearEvents), ResponseShape::Fixed(8)).size(), 8u);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(rig.identity.comm_version, 0x22);
  EXPECT_FALSE(rig.identity.extended_unit);
  link.Exchange(StatusRequest(), kStatusResponse);  // not extended: identity untouched
  EXPECT_EQ(changed, 1);
}

// Quitting poisons every later wait of the process, so this runs in a child copy
// of the test binary.
TEST(UnitLinkQuitTest, QuitDuringAWaitGivesUpWithoutAsking) {
  if (qEnvironmentVariableIsSet("TESSERA_LINK_QUIT_CHILD")) {
    sim::TbxModel model({.silent = true});
    Rig rig(&model);
    Bytes rx = B("AA");
    // Inside the application's own loop, as in the program. An empty script answers
    // Retry to every box: only the quit can end this exchange.
    QTimer::singleShot(
        0, [&] { rx = rig.link.Exchange(StatusRequest(), kStatusResponse, 2000, true); });
    QTimer::singleShot(20, [] { QCoreApplication::quit(); });
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::exec();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(rx.empty());
    EXPECT_TRUE(rig.prompts.shown().empty());
    EXPECT_EQ(rig.prompts.busy_depth(), 0);
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
