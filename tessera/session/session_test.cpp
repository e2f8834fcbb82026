// The session without any window: start-up, the tick's schedule on the wire, the
// routines the request flags run, and what it reports (to the I/O History too), as the
// terminal tool and the procedures use it.
#include "tessera/session/session.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTimer>
#include <memory>
#include <set>

#include "common/testing/test_support.h"
#include "tessera/session/io_recorder.h"
#include "tessera/testing/test_unit.h"

namespace tessera {
namespace {

using common::testing::ToHex;
using testing::Firsts;

class SessionTest : public ::testing::Test {
 protected:
  Session& S() { return unit_.session(); }
  SessionState& State() { return unit_.app->State(); }
  sim::TbxOptions& Unit() { return unit_.device->Model().Options(); }

  bool Start(const QString& command_line = "") {
    const bool ok = S().Start(command_line);
    S().Loop().Timer()->stop();  // the tests run the ticks themselves
    unit_.port->TakeWritten();
    return ok;
  }

  // One tick; the requests it wrote, as hex, cut to `head` bytes each.
  QStringList Tick(int head = -1) {
    S().PollTick();
    S().Loop().Timer()->stop();
    QStringList sent;
    for (const QByteArray& block : unit_.port->TakeWritten())
      sent << ToHex(head < 0 ? block : block.left(head));
    return sent;
  }

  testing::TestUnit unit_;
  common::SimulatedPort* port_ = unit_.port;
  common::ScriptedPrompts& prompts_ = unit_.prompts;
};

TEST_F(SessionTest, StartUpOpensThePortAndStartsPollingWithoutAWindow) {
  QSignalSpy port_text(&S(), &Session::PortTextChanged);
  QSignalSpy menus(&S(), &Session::ExtendedMenusShown);
  State().poll_count = 17;
  State().requests.read_events = true;
  ASSERT_TRUE(S().Start("x/comm=3y /kal"));
  QTimer* poll = S().Loop().Timer();
  EXPECT_EQ(std::tuple(poll->isActive(), poll->interval()), std::tuple(true, 100));
  poll->stop();
  const common::LineSettings& line = port_->Settings();
  EXPECT_EQ(std::tuple(line.baud, line.parity, line.data_bits, line.stop_bits, port_->IsOpen(),
                       port_->PortNumber()),
            std::tuple(19200, 'E', 8, 1, true, 3));
  EXPECT_EQ(std::tuple(Firsts(port_text), Firsts(menus), State().identity.extended_forced,
                       State().poll_count, State().requests.Any(), prompts_.shown().size()),
            std::tuple(QVariantList{"EIA-232 Port = 3"}, QVariantList{true}, true, 0u, false, 0u));
}

TEST_F(SessionTest, OpenFailureShowsOpenPortErrorAndNothingIsEverSent) {
  port_->SetOpenFailure("Port unavailable");
  EXPECT_FALSE(S().Start("/comm=4 /kal"));
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& box = prompts_.shown()[0];
  EXPECT_EQ(std::tuple(box.title, box.text, box.buttons, box.icon, box.detail),
            std::tuple(QString("Tessera"), QString("Open Port Error"), common::Buttons::kOk,
                       common::Icon::kCritical, QString("Port unavailable")));
  EXPECT_FALSE(S().PollTick());
  EXPECT_EQ(std::tuple(S().Loop().Timer()->isActive(), port_->TakeWritten().size()),
            std::tuple(false, 0));
}

TEST_F(SessionTest, ScheduleOverTicks0To50AndAcrossTheWrap) {
  ASSERT_TRUE(Start());
  // Requests a tick: the input, the status every 10th, the identify every 50th (their
  // bytes and order: the tests below).
  std::string counts;
  for (int tick = 0; tick <= 50; ++tick) counts += std::to_string(Tick().size());
  EXPECT_EQ(counts, "311111111121111111112111111111211111111121111111113");
  State().poll_count = kPollCountWrap - 1;
  EXPECT_EQ(Tick(), QStringList{"34 00 CB"});
  EXPECT_EQ(State().poll_count, 0u);
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00 81"}));
}

TEST_F(SessionTest, ReportsInputsEveryTickButTheAddressOnlyWhenItChanges) {
  ASSERT_TRUE(Start());
  QSignalSpy inputs(&S(), &Session::InputsChanged);
  QSignalSpy address(&S(), &Session::AddressChanged);
  QSignalSpy link(&S(), &Session::LinkStateChanged);
  Unit().unit_address = 9;
  for (int i = 0; i < 3; ++i) Tick();
  Unit().unit_address = 2;
  Tick();
  Unit().silent = true;
  Tick();
  EXPECT_EQ(std::tuple(inputs.count(), Firsts(address), State().identity.unit_address,
                       link.count() >= 5 && !link.back()[0].toBool()),
            std::tuple(4, QVariantList{9, 2}, 2, true));
  // A new start-up lays the window out afresh: the same address is announced again.
  Unit().silent = false;
  ASSERT_TRUE(Start());
  Tick();
  EXPECT_EQ(address.count(), 3);
}

TEST_F(SessionTest, LineSyncErrorSendsExactlyOneFollowUp) {
  ASSERT_TRUE(Start());
  QSignalSpy sync(&S(), &Session::LineSyncChanged);
  Unit().line_sync_error = true;
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "31 02 CC", "71 0D 00 00 81"}));
  EXPECT_EQ(unit_.device->Model().Counters().line_sync_requests, 1);
  for (int tick = 1; tick < 10; ++tick) Tick();
  Unit().line_sync_error = false;
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE"}));
  EXPECT_EQ(Firsts(sync), (QVariantList{true, false}));
}

TEST_F(SessionTest, AUnitThatDoesNotIdentifyHidesTheExtendedMenusUnlessKal) {
  for (const bool kal : {true, false}) {
    SCOPED_TRACE(kal);
    Unit().extended = false;
    ASSERT_TRUE(Start(kal ? "/kal" : ""));
    QSignalSpy menus(&S(), &Session::ExtendedMenusShown);
    QSignalSpy firmware(&S(), &Session::FirmwareChanged);
    Tick();
    EXPECT_EQ(std::tuple(menus.count(), firmware.count(), State().identity.extended_unit),
              std::tuple(kal ? 0 : 1, 0, false));
    Unit().extended = true;
    for (int i = 0; i < 50; ++i) Tick();
    ASSERT_EQ(firmware.count(), 1);
    EXPECT_EQ(firmware[0][0].value<FirmwareDisplay>().panel2_text,
              "Firmware Version = 23, Firmware Revision = 1.4 ");
  }
}

TEST_F(SessionTest, TickNeverRunsInsideAnExchangeNorWhileSuspended) {
  ASSERT_TRUE(Start());
  Unit().delay_ms = 30;
  // A tick arriving inside another exchange's wait, or inside the tick's own.
  QTimer::singleShot(5, [&] { S().PollTick(); });
  EXPECT_EQ(unit_.app->Link().Exchange(StatusRequest(), kStatusResponse).size(), 9u);
  EXPECT_EQ(port_->TakeWritten().size(), 1);
  EXPECT_EQ(State().poll_count, 0u);
  QTimer::singleShot(5, [&] { S().PollTick(); });
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00 81"}));
  EXPECT_EQ(State().poll_count, 1u);
  S().SuspendPolling();
  EXPECT_TRUE(Tick().isEmpty());
  S().ResumePolling();
  EXPECT_TRUE(S().Loop().Timer()->isActive());
  S().Close();
  EXPECT_FALSE(port_->IsOpen());
  EXPECT_TRUE(Tick().isEmpty());
}

TEST_F(SessionTest, OneTickServesEveryRequestInTheFixedOrder) {
  ASSERT_TRUE(Start("/kal"));
  // Set in the reverse order: the tick's order is its own.
  for (Request r :
       {Request::kClearEvents, Request::kReadEvents, Request::kPollTransition,
        Request::kSendComplex, Request::kGetFilters, Request::kSendFilters, Request::kSendTracking})
    S().Request(r);
  EXPECT_EQ(Tick(4), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00",  // the tick's own
                                  "78 0D 00 00", "78 0D 00 08",           // tracking A, B
                                  "73 0D 00 3C",                          // set filters
                                  "7D 0D 00 75",                          // get filters
                                  "79 0D 00 00", "79 0D 00 08",           // complex A, B
                                  "76 0D 00 00",                          // poll block
                                  "7F 0D 00 73",                          // read events
                                  "7E 0D 00 74"}));                       // clear events
  EXPECT_FALSE(State().requests.Any());
  EXPECT_EQ(Tick(), QStringList{"34 00 CB"});
}

// The I/O History keeps one poll per input exchange, the lamps exactly as the unit sent
// them, silence as gaps, ten minutes at most.
TEST_F(SessionTest, HistoryKeepsOnePollPerInputExchangeForTenMinutes) {
  constexpr std::int64_t kStartMs = 1'700'000'000'000;
  IoRecorder recorder(S());
  std::int64_t now = kStartMs;
  recorder.SetClock([&now] { return now += 100; });
  ASSERT_TRUE(Start());
  // Outputs (which loop back to the points), optos, silence, lit lanes (points 0-54, then
  // optos 55-58).
  const std::tuple<std::array<std::uint8_t, 16>, std::uint8_t, bool, std::set<int>> polls[] = {
      {{0x00, 0x80}, 0x5, false, {15, 55, 57}},
      {{0x00, 0x80}, 0x5, true, {}},
      {{0, 0, 0, 0, 0, 0, 0xC0}, 0x8, false, {54, 58}},  // bit 7 of byte 6 has no point
  };
  for (const auto& [points, optos, silent, lit] : polls) {
    Unit().silent = false;
    unit_.device->Receive(OutputRequest(points));
    Unit().opto_inputs = optos;
    Unit().silent = silent;
    Tick();
  }
  const IoHistory& history = recorder.History();
  ASSERT_EQ(history.Size(), std::size(polls));
  for (std::size_t i = 0; i < history.Size(); ++i) {
    std::set<int> lit;
    for (int lane = 0; lane < kHistoryLanes; ++lane)
      if (history[i].On(lane)) lit.insert(lane);
    EXPECT_EQ(std::tuple(history[i].ms, history[i].Answered(), lit),
              std::tuple(kStartMs + 100 * static_cast<std::int64_t>(i + 1), !std::get<2>(polls[i]),
                         std::get<3>(polls[i])));
  }
  // Ten minutes later the ring has turned: the oldest polls made room, in order.
  for (std::size_t i = 0; i < IoHistory::kPolls; ++i)
    i % 100 == 99 ? recorder.RecordSilence() : recorder.RecordAnswer(InputLamps{});
  ASSERT_EQ(history.Size(), IoHistory::kPolls);
  const std::int64_t oldest = kStartMs + 100 * (std::size(polls) + 1);
  // history[99] is the 100th of the run.
  EXPECT_EQ(std::tuple(history[0].ms, history[99].Answered(), history.Find(oldest - 1),
                       history.Find(oldest + 150), history.Find(oldest + 100 * 7000)),
            std::tuple(oldest, false, std::nullopt, 1u, 5999u));
}

}  // namespace
}  // namespace tessera
