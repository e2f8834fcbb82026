#include "tessera/link/unit_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <functional>

#include "common/core/link_tap.h"
#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "common/testing/trace_lines.h"
#include "tessera/sim/tbx_model.h"

namespace tessera {
namespace {

using common::testing::B;
using common::testing::H;

// A simulated unit on its own port, with a link whose trace is collected. `shape`
// changes or replaces each answer on its way (bad checksums, counted bodies).
struct Rig : common::DeviceModel {
  Rig() {
    port.SetSettings("19200,E,8,1");
    port.Open();
    link.SetTap(&tap);
    tap.AddListener(&trace);
  }
  common::DeviceReply Receive(common::ByteView bytes) override {
    ++requests;
    common::DeviceReply reply = unit.Receive(bytes);
    if (shape) reply.bytes = shape(reply.bytes);
    return reply;
  }
  Bytes Input(int timeout_ms = 500) {
    return link.Exchange(B("34 00 CB"), kInputResponse, timeout_ms);
  }
  int Writes() { return static_cast<int>(port.TakeWritten().size()); }

  sim::TbxModel unit{{.idle_animation = false}};
  std::function<Bytes(Bytes)> shape;
  int requests = 0;
  common::SimulatedPort port{this};
  common::ScriptedPrompts prompts;
  UnitIdentity identity;
  UnitLink link{port, prompts, identity};
  common::LinkTap tap;
  common::testing::TraceLines trace;
};

Bytes WithChecksum(Bytes bytes) {
  bytes.push_back(Checksum(bytes));
  return bytes;
}

// The unit at address 5 with no input set answers this to 34 00 CB.
constexpr char kInputAnswer[] = "34 00 00 00 00 00 00 00 50 00 00 00 00 7B";

// A poll exchange never asks: each outcome is an error text and its trace records.
TEST(UnitLinkTest, EachOutcomeOfAnExchange) {
  // 5 ms into the exchange: a line error code, or the port pulled; kClosed: before it.
  constexpr int kUnplug = -1, kClosed = -2;
  const std::string sent = "-> SendInputFrame sent 34 00 CB";
  const std::string ok = std::string("<- SendInputFrame ok ") + kInputAnswer;
  const std::string line = "<- SendInputFrame FAIL line error: Rx ";
  const sim::TbxOptions slow{.delay_ms = 40};
  const std::function<Bytes(Bytes)> longer = [](Bytes b) { return b.push_back(0x55), b; };
  const std::function<Bytes(Bytes)> cut = [](Bytes b) { return b.resize(9), b; };
  using Case = std::tuple<sim::TbxOptions, std::function<Bytes(Bytes)>, int, int, const char*,
                          std::vector<std::string>>;
  const Case cases[] = {
      // clang-format off
      {{}, {}, 0, 500, "", {sent, ok}},
      {{}, longer, 0, 500, "", {sent, ok}},  // the rest is dropped
      {{.silent = true}, {}, 0, 40, "Rx Timeout Error",
       {sent, "<- SendInputFrame FAIL time-out after 40 ms"}},
      {{.corrupt_every = 1}, {}, 0, 500, "Checksum Error",
       {sent, "<- SendInputFrame FAIL checksum error 34 00 00 00 00 00 00 00 50 00 00 00 00 7C"}},
      {{}, cut, 0, 40, "Rx Timeout Error",
       {sent, "<- SendInputFrame FAIL wrong length: 9 of 14 bytes in 40 ms "
              "34 00 00 00 00 00 00 00 50"}},
      // Receive errors end the wait at once, before the answer at 40 ms; others are ignored.
      {slow, {}, common::kParityError, 300, "Rx Parity Error", {sent, line + "Parity Error"}},
      {slow, {}, 1004, 300, "Rx Framing Error", {sent, line + "Framing Error"}},
      {slow, {}, 1006, 300, "Rx Data Overrun Error", {sent, line + "Data Overrun Error"}},
      {slow, {}, 1008, 300, "Rx Buffer Overrun Error", {sent, line + "Buffer Overrun Error"}},
      {slow, {}, 1005, 300, "", {sent, ok}},
      {{.delay_ms = 300}, {}, kUnplug, 500, "Disconnected",
       {sent, "<- SendInputFrame FAIL port lost: Disconnected"}},
      {{}, {}, kClosed, 500, "Disconnected",
       {"-> SendInputFrame FAIL port lost: not sent, Disconnected 34 00 CB"}},
      // clang-format on
  };
  for (const auto& [unit, shape, event, timeout_ms, error, records] : cases) {
    Rig rig;
    rig.unit.Options() = unit;
    rig.unit.Options().idle_animation = false;
    rig.shape = shape;
    if (event == kClosed) rig.port.Unplug();
    QTimer::singleShot(5, &rig.port, [&rig, event] {
      if (event > 0) rig.port.InjectError(event);
      if (event == kUnplug) rig.port.Unplug();
    });
    const Bytes rx = rig.Input(timeout_ms);
    const int code = event > 0 ? rig.link.ErrorCode() : 0;
    EXPECT_EQ(
        std::tuple(H(rx), H(rig.link.LastResponse()), rig.link.ErrorText(), code, rig.trace.Take(),
                   rig.prompts.shown().size() + rig.prompts.max_busy_depth()),
        std::tuple(*error ? "" : kInputAnswer, H(rx), error, *error && event > 0 ? event : 0,
                   records, 0u));
  }
}

TEST(UnitLinkTest, TransmitWaitEndsAtTransmitDoneOrAfter500Ms) {
  // Transmit done, silent unit, least and most time. The time-out runs from the end of
  // transmission, not after the transmit wait.
  const std::tuple<bool, bool, int, int> cases[] = {{true, true, 60, 500},
                                                    {false, false, 499, 1500}};
  for (const auto& [transmit_done, silent, min_ms, max_ms] : cases) {
    Rig rig;
    rig.port.SetSuppressTransmitDone(!transmit_done);
    rig.unit.Options().silent = silent;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(rig.link.Exchange(StatusRequest(), kStatusResponse, 60).empty(), silent);
    EXPECT_TRUE(clock.elapsed() >= min_ms && clock.elapsed() < max_ms) << clock.elapsed();
  }
}

TEST(UnitLinkTest, FailuresAskRetryOrCancelOnlyWhenShowingErrors) {
  using enum common::Answer;
  const char* bad = "31 00 00 00 00 00 00 00 CD";
  const char* good = "31 00 00 00 00 00 00 00 CE";
  // Replies to each request in turn ("": none), silent retries, whether errors show, the
  // answers given, the boxes shown, the requests written.
  using Case = std::tuple<std::vector<const char*>, int, bool, std::vector<common::Answer>,
                          std::vector<QString>, int>;
  const Case cases[] = {
      {{"", ""}, 0, true, {kRetry, kCancel}, {"Rx Timeout Error", "Rx Timeout Error"}, 2},
      {{bad, good}, 0, true, {kRetry}, {"Checksum Error"}, 2},
      {{"", "", "", ""}, 2, false, {}, {}, 3},
      {{"", ""}, 1, true, {kCancel}, {"Rx Timeout Error"}, 2},  // asked once retries ran out
  };
  for (const auto& [replies, silent_retries, show_errors, answers, expected_boxes, writes] :
       cases) {
    SCOPED_TRACE(writes);
    Rig r;
    r.shape = [&](Bytes) { return B(replies.at(r.requests - 1)); };
    for (common::Answer answer : answers) r.prompts.QueueAnswer(answer);
    // Each failure is traced first, and the hourglass is off while a box shows.
    std::vector<std::size_t> records_at_box, expected_at_box;
    int busy_at_show = 0;
    r.prompts.on_show = [&] {
      records_at_box.push_back(r.trace.lines.size());
      busy_at_show += r.prompts.busy_depth();
    };
    const Bytes rx =
        r.link.Exchange(StatusRequest(), kStatusResponse, 20, show_errors, silent_retries);
    EXPECT_EQ(std::tuple(rx.empty(), r.Writes()),
              std::tuple(replies.at(writes - 1) != good, writes));
    std::vector<QString> boxes;
    for (const common::Message& box : r.prompts.shown()) {
      boxes.push_back(box.text);
      EXPECT_EQ(std::tuple(box.title, box.buttons, box.icon),
                std::tuple(QString("Communications Error"), common::Buttons::kRetryCancel,
                           common::Icon::kCritical));
    }
    EXPECT_EQ(boxes, expected_boxes);
    for (std::size_t i = 0; i < boxes.size(); ++i)
      expected_at_box.push_back(2 * (silent_retries + 1 + i));
    EXPECT_EQ(records_at_box, expected_at_box);
    // Hourglass while waiting, off before each box and at the end.
    EXPECT_EQ(std::tuple(r.prompts.max_busy_depth(), busy_at_show, r.prompts.busy_depth()),
              std::tuple(show_errors ? 1 : 0, 0, 0));
  }
}

// Header "7F 0D 00 .. count(2)" and a body of records * 7 + 4 bytes + checksum.
Bytes EventLog(int records) {
  Bytes all = B("7F 0D 00 23 23 14 00");
  all.insert(all.end(), {std::uint8_t(records & 0xFF), std::uint8_t(records >> 8)});
  for (int i = 0; i < records * 7 + 4; ++i) all.push_back(static_cast<std::uint8_t>(i));
  return WithChecksum(all);
}

TEST(UnitLinkTest, CountedResponses) {
  // Records, when the body follows the header (-1: never; 0: with it), whether it is taken.
  // 705 body bytes take 404 ms at 19 200 baud: beyond the 200 ms time-out, within its
  // wire time plus that margin.
  const std::tuple<int, int, bool> cases[] = {
      {0, 0, true}, {261, 0, true}, {0, -1, false}, {100, 150, true}};
  for (const auto& [records, body_after_ms, ok] : cases) {
    const Bytes all = EventLog(records);
    const QByteArray bytes = common::ToQByteArray(all);
    Rig r;
    r.shape = [&](Bytes) {
      if (body_after_ms == 0) return all;
      // The body trickles in after the header, in two pieces.
      if (body_after_ms > 0) {
        QTimer::singleShot(body_after_ms, [&] { r.port.InjectBytes(bytes.mid(9, 5)); });
        QTimer::singleShot(2 * body_after_ms, [&] { r.port.InjectBytes(bytes.mid(14)); });
      }
      return Bytes(all.begin(), all.begin() + 9);
    };
    std::vector<qint64> progress;
    QObject::connect(&r.link, &UnitLink::ResponseProgress, [&](qint64 received, qint64 of) {
      EXPECT_EQ(of, qint64(all.size()));
      progress.push_back(received);
    });
    const Bytes rx = r.link.Exchange(BuildExtendedFrame(kCmdReadEvents),
                                     ResponseShape::Counted(9, 7, 4, true), 200);
    EXPECT_EQ(rx, ok ? all : Bytes{}) << records << " records";
    // From the header on, up to the whole answer when it came.
    const qint64 whole = qint64(all.size());
    EXPECT_EQ(std::tuple(progress.empty() ? -1 : progress.front(),
                         ok && !progress.empty() ? progress.back() : 0),
              std::tuple(body_after_ms == 0 ? whole : 9, ok ? whole : 0));
  }
}

TEST(UnitLinkTest, AHeaderThatCountsTooManyItemsIsRefusedAtOnce) {
  Rig rig;
  rig.shape = [](Bytes) { return B("7F 0D 00 23 23 14 00 00 90"); };
  constexpr ResponseShape kShape = ResponseShape::Counted(9, 7, 4, true, 32767);
  EXPECT_TRUE(rig.link.Exchange(B("7F 0D 00 73"), kShape, 500).empty());
  EXPECT_EQ(rig.trace.Take(),
            (std::vector<std::string>{
                "-> ReadEvents sent 7F 0D 00 73",
                "<- ReadEvents FAIL wrong length: the header counts 36864 items, at most 32767 "
                "are taken 7F 0D 00 23 23 14 00 00 90"}));
}

TEST(UnitLinkTest, SecondExchangeDuringAWaitIsRefused) {
  Rig rig;
  rig.unit.Options().delay_ms = 40;
  rig.identity.extended_unit = true;
  Bytes inner = B("AA");
  bool inner_identify = true;
  QTimer::singleShot(5, &rig.port, [&] {
    inner = rig.link.Exchange(InputRequest({}), kInputResponse);
    inner_identify = rig.link.ExtendedIdentify();
  });
  const Bytes outer = rig.link.Exchange(StatusRequest(), kStatusResponse, 300);
  // A refused identify is no verdict on the unit; the first exchange got its own answer.
  EXPECT_EQ(std::tuple(inner.empty(), inner_identify, rig.identity.extended_unit, rig.Writes()),
            std::tuple(true, false, true, 1));
  EXPECT_EQ(H(outer).substr(0, 2) + " " + std::to_string(outer.size()), "31 9");
}

TEST(UnitLinkTest, PortGoneBeforeTransmitDoneFailsAtOnceAndTheNextAsks) {
  Rig r;
  r.port.SetSuppressTransmitDone(true);
  r.unit.Options().delay_ms = 1500;
  QTimer::singleShot(10, &r.port, [&r] { r.port.Unplug(); });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(r.Input().empty() && clock.elapsed() < 1000) << clock.elapsed();
  // Closed now: the next request is refused without a wait, and asks when told to.
  r.prompts.QueueAnswer(common::Answer::kCancel);
  EXPECT_TRUE(r.link.Exchange(StatusRequest(), kStatusResponse, 1500, true).empty());
  ASSERT_EQ(r.prompts.shown().size(), 1u);
  EXPECT_EQ(r.prompts.shown()[0].title, "Communications Error");
}

// The unit never speaks unasked: bytes that come between exchanges (noise, a late
// answer, a flood) are dropped as they come, never kept for the next exchange.
TEST(UnitLinkTest, BytesBetweenExchangesAreDroppedAsTheyCome) {
  // A whole, valid answer of a unit at address 9: kept, it would be taken next.
  const char* late_hex = "34 00 00 00 00 00 00 00 90 00 00 00 00 3B";
  const QByteArray late = common::testing::Hex(late_hex);
  const std::pair<QByteArray, int> cases[] = {{late, 1}, {QByteArray(64 * 1024, '\0'), 64}};
  Rig rig;
  for (const auto& [bytes, pieces] : cases) {
    const std::uint64_t discards = rig.link.Counters().idle_discards;
    const qsizetype piece = bytes.size() / pieces;
    for (int i = 0; i < pieces; ++i) {
      rig.port.InjectBytes(bytes.mid(i * piece, piece));
      EXPECT_EQ(rig.port.BytesWaiting(), 0);
    }
    EXPECT_EQ(rig.link.Counters().idle_discards, discards + pieces);
    EXPECT_EQ(H(rig.Input()), kInputAnswer);
  }
  EXPECT_EQ(std::tuple(rig.trace.lines.at(0), rig.link.Counters().failures),
            std::tuple(std::string("<- - FAIL dropped outside an exchange ") + late_hex, 0u));
}

TEST(UnitLinkTest, IdentifyDecidesKalUnit) {
  // Name, reply without checksum ("" = none), /kal, identified, the extended flag after
  // (true before).
  const std::tuple<const char*, const char*, bool, bool, bool> cases[] = {
      {"extended", "71 0D 00 21 07 14 00 00 00 00 00 00 00 00", false, true, true},
      {"no answer", "", false, false, false},
      {"no marker", "71 0C 00 21 07 14 00 00 00 00 00 00 00 00", false, false, false},
      {"no marker, /kal keeps it", "71 0C 00 21 07 14 00 00 00 00 00 00 00 00", true, false, true},
  };
  for (const auto& [name, reply, kal_switch, extended, kal_unit_after] : cases) {
    Rig r;
    r.shape = [&](Bytes) { return *reply ? WithChecksum(B(reply)) : Bytes{}; };
    r.identity.extended_forced = kal_switch;
    r.identity.extended_unit = true;
    int changed = 0;
    QObject::connect(&r.link, &UnitLink::FirmwareVersionChanged, [&] {
      ++changed;
      EXPECT_TRUE(r.identity.extended_unit);  // already set when the window looks
    });
    EXPECT_EQ(r.link.ExtendedIdentify(), extended) << name;
    EXPECT_EQ(common::testing::ToHex(r.port.TakeWritten().value(0)), "71 0D 00 00 81");
    // Versions only come from extended answers.
    const UnitIdentity& id = r.identity;
    EXPECT_EQ(std::tuple(id.extended_unit, changed,
                         (id.comm_version << 16) | (id.firmware_type << 8) | id.firmware_revision),
              std::tuple(kal_unit_after, extended ? 1 : 0, extended ? 0x210714 : 0))
        << name;
  }
}

TEST(UnitLinkTest, OtherExtendedAnswersRefreshVersionsOnly) {
  Rig rig;
  rig.unit.SetCommand(kCmdClearEvents, sim::FixedLength(4),
                      [](ByteView) { return std::optional<Bytes>(B("7E 0D 00 22 23 15 00")); });
  int changed = 0;
  QObject::connect(&rig.link, &UnitLink::FirmwareVersionChanged, [&] { ++changed; });
  rig.link.Exchange(BuildExtendedFrame(kCmdClearEvents), ResponseShape::Fixed(8));
  rig.link.Exchange(StatusRequest(), kStatusResponse);  // not extended: identity untouched
  EXPECT_EQ(std::tuple(changed, rig.identity.comm_version, rig.identity.extended_unit),
            std::tuple(1, 0x22, false));
}

// Quitting poisons every later wait of the process, so this runs in a child copy
// of the test binary.
TEST(UnitLinkQuitTest, QuitDuringAWaitGivesUpWithoutAsking) {
  if (qEnvironmentVariableIsSet("TESSERA_LINK_QUIT_CHILD")) {
    Rig rig;
    rig.unit.Options().silent = true;
    Bytes rx = B("AA");
    // Inside the application's own loop, as in the program. An empty script answers
    // Retry to every box: only the quit can end this exchange.
    QTimer::singleShot(
        0, [&] { rx = rig.link.Exchange(StatusRequest(), kStatusResponse, 2000, true); });
    QTimer::singleShot(20, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_EQ(std::tuple(rx.size(), rig.prompts.shown().size(), rig.prompts.busy_depth()),
              std::tuple(0u, 0u, 0));
    return;
  }
  QProcess child;
  child.setEnvironment(QProcess::systemEnvironment() << "TESSERA_LINK_QUIT_CHILD=1");
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=UnitLinkQuitTest.QuitDuringAWaitGivesUpWithoutAsking"});
  ASSERT_TRUE(child.waitForFinished(10000));
  EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

}  // namespace
}  // namespace tessera
