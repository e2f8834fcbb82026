// The session without any window: start-up, the tick's schedule on the wire, the
// request flags, and what it reports, as the terminal tool and the procedures use it.
#include "tessera/session/session.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTimer>
#include <memory>

#include "common/qtcore/qt_serial_port.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_model.h"

namespace tessera {
namespace {

using common::testing::ToHex;

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    auto port = std::make_unique<common::SimulatedPort>(&model_);
    port_ = port.get();
    app_ = std::make_unique<TesseraApp>(common::PortSetup{nullptr, std::move(port)}, prompts_);
  }

  Session& S() { return app_->session(); }
  SessionState& State() { return app_->State(); }

  bool Start(const QString& command_line = "") {
    const bool ok = S().Start(command_line);
    S().Loop().Timer()->stop();  // the tests run the ticks themselves
    port_->TakeWritten();
    return ok;
  }

  // One tick; the requests it wrote, as hex.
  QStringList Tick() {
    S().PollTick();
    S().Loop().Timer()->stop();
    QStringList sent;
    for (const QByteArray& block : port_->TakeWritten()) sent << ToHex(block);
    return sent;
  }

  sim::TbxModel model_{{.idle_animation = false}};
  common::ScriptedPrompts prompts_;
  common::SimulatedPort* port_ = nullptr;
  std::unique_ptr<TesseraApp> app_;
};

TEST_F(SessionTest, StartUpOpensThePortAndStartsPollingWithoutAWindow) {
  QSignalSpy port_text(&S(), &Session::PortTextChanged);
  QSignalSpy menus(&S(), &Session::ExtendedMenusShown);
  State().poll_count = 17;
  State().requests.read_events = true;
  ASSERT_TRUE(S().Start("x/comm=3y /kal"));
  QTimer* poll = S().Loop().Timer();
  EXPECT_EQ(poll->objectName(), "tmrPoll");
  EXPECT_TRUE(poll->isActive());
  EXPECT_EQ(poll->interval(), 100);
  poll->stop();
  const common::LineSettings& line = port_->Settings();
  EXPECT_EQ(std::tuple(line.baud, line.parity, line.data_bits, line.stop_bits),
            std::tuple(19200, 'E', 8, 1));
  EXPECT_TRUE(port_->IsOpen());
  EXPECT_EQ(port_->PortNumber(), 3);
  ASSERT_EQ(port_text.count(), 1);
  EXPECT_EQ(port_text[0][0].toString(), "EIA-232 Port = 3");
  ASSERT_EQ(menus.count(), 1);
  EXPECT_TRUE(menus[0][0].toBool());
  EXPECT_TRUE(State().identity.extended_forced);
  EXPECT_EQ(State().poll_count, 0u);
  EXPECT_FALSE(State().requests.Any());
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(SessionTest, OpenFailureShowsOpenPortErrorAndNothingIsEverSent) {
  port_->SetOpenFailure("Port unavailable");
  EXPECT_FALSE(S().Start("/comm=4 /kal"));
  ASSERT_EQ(prompts_.shown().size(), 1u);
  const common::Message& box = prompts_.shown()[0];
  EXPECT_EQ(std::tuple(box.title, box.text, box.buttons, box.icon, box.detail),
            std::tuple(QString("Tessera"), QString("Open Port Error"), common::Buttons::kOk,
                       common::Icon::kCritical, QString("Port unavailable")));
  EXPECT_FALSE(S().Loop().Timer()->isActive());
  EXPECT_FALSE(S().PollTick());
  EXPECT_TRUE(port_->TakeWritten().isEmpty());
}

TEST(SessionOpenTest, PortZeroFromAnEmptyCommSwitchFailsWithTheOsReason) {
  common::ScriptedPrompts prompts;
  TesseraApp app(common::PortSetup{nullptr, std::make_unique<common::QtSerialPort>()}, prompts);
  EXPECT_FALSE(app.session().Start("/comm="));
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].text, "Open Port Error");
  EXPECT_FALSE(prompts.shown()[0].detail.isEmpty());
  EXPECT_EQ(app.session().PortText(), "EIA-232 Port = 0");
}

TEST(SessionSimTest, TheBuiltInSimulatedUnitAnswersAtTheLineRate) {
  common::ScriptedPrompts prompts;
  TesseraApp app(TesseraPortSetup(true), prompts);
  ASSERT_TRUE(app.Simulated());
  QSignalSpy link(&app.session(), &Session::LinkStateChanged);
  ASSERT_TRUE(app.session().Start("/comm=9"));
  EXPECT_EQ(app.session().PortText(), "EIA-232 Port = Simulated");
  app.session().Loop().Timer()->stop();
  ASSERT_TRUE(app.session().PollTick());
  ASSERT_EQ(link.count(), 1);
  EXPECT_TRUE(link[0][0].toBool());
  // Input, status and identify all answered.
  EXPECT_EQ(app.Link().Counters().exchanges, 3u);
  EXPECT_EQ(app.Link().Counters().failures, 0u);
  EXPECT_TRUE(app.State().identity.extended_unit);
}

TEST_F(SessionTest, ScheduleOverTicks0To50AndAcrossTheWrap) {
  ASSERT_TRUE(Start());
  const QStringList input = {"34 00 CB"};
  const QStringList with_status = {"34 00 CB", "31 00 CE"};
  const QStringList with_identify = {"34 00 CB", "31 00 CE", "71 0D 00 00 81"};
  for (int tick = 0; tick <= 50; ++tick) {
    const QStringList& expected = tick == 0 || tick == 50 ? with_identify
                                  : tick % 10 == 0        ? with_status
                                                          : input;
    EXPECT_EQ(Tick(), expected) << "tick " << tick;
  }
  State().poll_count = kPollCountWrap - 1;
  EXPECT_EQ(Tick(), input);
  EXPECT_EQ(State().poll_count, 0u);
  EXPECT_EQ(Tick(), with_identify);
}

TEST_F(SessionTest, RequestFlagsRunAfterTheFrontPanelExchangesInTheirOrder) {
  ASSERT_TRUE(Start());
  QStringList order;
  S().SetRequestHandler(Request::kReadEvents, [&] {
    order << "ReadEvents";
    app_->Link().Exchange(BuildExtendedFrame(kCmdReadEvents), ResponseShape::Fixed(9), 10);
  });
  S().SetRequestHandler(Request::kSendTracking, [&] { order << "SendTracking"; });
  S().SetRequestHandler(Request::kSendComplex, {});
  S().Request(Request::kReadEvents);
  S().Request(Request::kSendComplex);  // no routine: just cleared
  S().Request(Request::kSendTracking);
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00 81", "7F 0D 00 73"}));
  EXPECT_EQ(order, (QStringList{"SendTracking", "ReadEvents"}));
  EXPECT_FALSE(State().requests.Any());
}

TEST_F(SessionTest, ReportsInputsEveryTickButTheAddressOnlyWhenItChanges) {
  ASSERT_TRUE(Start());
  QSignalSpy inputs(&S(), &Session::InputsChanged);
  QSignalSpy address(&S(), &Session::AddressChanged);
  QSignalSpy link(&S(), &Session::LinkStateChanged);
  model_.Options().unit_address = 9;
  for (int i = 0; i < 3; ++i) Tick();
  model_.Options().unit_address = 2;
  Tick();
  model_.Options().silent = true;
  Tick();
  EXPECT_EQ(inputs.count(), 4);
  ASSERT_EQ(address.count(), 2);
  EXPECT_EQ(address[0][0].toInt(), 9);
  EXPECT_EQ(address[1][0].toInt(), 2);
  EXPECT_EQ(State().identity.unit_address, 2);
  ASSERT_GE(link.count(), 5);
  EXPECT_FALSE(link.back()[0].toBool());
  // A new start-up lays the window out afresh: the same address is announced again.
  model_.Options().silent = false;
  ASSERT_TRUE(Start());
  Tick();
  EXPECT_EQ(address.count(), 3);
}

TEST_F(SessionTest, LineSyncErrorSendsExactlyOneFollowUp) {
  ASSERT_TRUE(Start());
  QSignalSpy sync(&S(), &Session::LineSyncChanged);
  model_.Options().line_sync_error = true;
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "31 02 CC", "71 0D 00 00 81"}));
  EXPECT_EQ(model_.Counters().line_sync_requests, 1);
  for (int tick = 1; tick < 10; ++tick) Tick();
  model_.Options().line_sync_error = false;
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE"}));
  ASSERT_EQ(sync.count(), 2);
  EXPECT_TRUE(sync[0][0].toBool());
  EXPECT_FALSE(sync[1][0].toBool());
}

TEST_F(SessionTest, AUnitThatDoesNotIdentifyHidesTheExtendedMenusUnlessKal) {
  for (const bool kal : {true, false}) {
    SCOPED_TRACE(kal);
    model_.Options().extended = false;
    ASSERT_TRUE(Start(kal ? "/kal" : ""));
    QSignalSpy menus(&S(), &Session::ExtendedMenusShown);
    QSignalSpy firmware(&S(), &Session::FirmwareChanged);
    Tick();
    EXPECT_EQ(menus.count(), kal ? 0 : 1);
    EXPECT_EQ(firmware.count(), 0);
    EXPECT_FALSE(State().identity.extended_unit);
    model_.Options().extended = true;
    for (int i = 0; i < 50; ++i) Tick();
    ASSERT_EQ(firmware.count(), 1);
    EXPECT_EQ(firmware[0][0].value<FirmwareDisplay>().panel2_text,
              "Firmware Version = 23, Firmware Revision = 1.4 ");
  }
}

TEST_F(SessionTest, TickNeverRunsInsideAnExchangeNorWhileSuspended) {
  ASSERT_TRUE(Start());
  model_.Options().delay_ms = 30;
  // A tick arriving inside another exchange's wait, or inside the tick's own.
  QTimer::singleShot(5, [&] { S().PollTick(); });
  EXPECT_EQ(app_->Link().Exchange(StatusRequest(), kStatusResponse).size(), 9u);
  EXPECT_EQ(port_->TakeWritten().size(), 1);
  EXPECT_EQ(State().poll_count, 0u);
  QTimer::singleShot(5, [&] { S().PollTick(); });
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00 81"}));
  EXPECT_EQ(State().poll_count, 1u);
  EXPECT_EQ(app_->Link().Counters().rejected_busy, 0u);
  S().SuspendPolling();
  EXPECT_TRUE(Tick().isEmpty());
  S().ResumePolling();
  EXPECT_TRUE(S().Loop().Timer()->isActive());
  S().Close();
  EXPECT_FALSE(port_->IsOpen());
  EXPECT_TRUE(Tick().isEmpty());
}

}  // namespace
}  // namespace tessera
