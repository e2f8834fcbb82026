// The routines behind the dialogs and log windows as the poll tick runs them, without
// any window: the seven request flags of one tick in their fixed order.
#include "tessera/session/log_routines.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <memory>

#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_device.h"

namespace tessera::logs {
namespace {

class LogRoutinesTest : public ::testing::Test {
 protected:
  LogRoutinesTest() {
    auto port = std::make_unique<common::SimulatedPort>(&device_);
    port_ = port.get();
    app_ = std::make_unique<TesseraApp>(common::PortSetup{nullptr, std::move(port)}, prompts_);
    EXPECT_TRUE(app_->session().Start("/kal"));
    app_->session().Loop().Timer()->stop();
  }
  // The first four bytes of every request one tick wrote.
  QStringList Tick() {
    port_->TakeWritten();
    app_->session().PollTick();
    app_->session().Loop().Timer()->stop();
    QStringList heads;
    for (const QByteArray& block : port_->TakeWritten()) {
      heads << common::testing::ToHex(block.left(4));
    }
    return heads;
  }

  sim::TbxDevice device_{{.idle_animation = false}};
  common::ScriptedPrompts prompts_;
  common::SimulatedPort* port_ = nullptr;
  std::unique_ptr<TesseraApp> app_;
};

TEST_F(LogRoutinesTest, OneTickServesEveryRequestInTheFixedOrder) {
  Session& session = app_->session();
  // Set in the reverse order: the tick's order is its own.
  for (Request r : {Request::kClearEvents, Request::kReadEvents, Request::kPollTransition,
                    Request::kSendComplex, Request::kGetFilters, Request::kSendFilters,
                    Request::kSendTracking}) {
    session.Request(r);
  }
  EXPECT_EQ(Tick(), (QStringList{"34 00 CB", "31 00 CE", "71 0D 00 00",  // the tick's own
                                 "78 0D 00 00", "78 0D 00 08",           // tracking A, B
                                 "73 0D 00 3C",                          // set filters
                                 "7D 0D 00 75",                          // get filters
                                 "79 0D 00 00", "79 0D 00 08",           // complex A, B
                                 "76 0D 00 00",                          // poll block
                                 "7F 0D 00 73",                          // read events
                                 "7E 0D 00 74"}));                       // clear events
  EXPECT_FALSE(app_->State().requests.Any());
  EXPECT_EQ(Tick(), QStringList{"34 00 CB"});
}

}  // namespace
}  // namespace tessera::logs
