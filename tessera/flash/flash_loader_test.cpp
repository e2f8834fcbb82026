// The seven loader operations through the session's link against the simulated
// unit: the bytes on the wire, what each returns, and the loader mode with its
// effect on polling, including the real settle waits.
#include "tessera/flash/flash_loader.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <functional>
#include <memory>

#include "common/prompts.h"
#include "common/simulated_port.h"
#include "common/testing/test_support.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_device.h"

namespace tessera::flash {
namespace {

using common::testing::ToHex;

class FlashLoaderTest : public ::testing::Test {
 protected:
  void Make(sim::TbxLoaderOptions options = {}) {
    loader_.reset();
    app_.reset();
    device_ = std::make_unique<sim::TbxDevice>(sim::TbxOptions{.idle_animation = false}, options);
    auto port = std::make_unique<common::SimulatedPort>(device_.get());
    port_ = port.get();
    app_ = std::make_unique<TesseraApp>(common::PortSetup{nullptr, std::move(port)}, prompts_);
    loader_ = std::make_unique<FlashLoader>(app_->session());
    loader_->SetTiming({.launch_settle_ms = 1, .reboot_settle_ms = 1});
    ASSERT_TRUE(app_->session().Start("/comm=1"));
    app_->session().Loop().Timer()->stop();
  }
  QStringList Sent() {
    QStringList hex;
    for (const QByteArray& block : port_->TakeWritten()) hex << ToHex(block);
    return hex;
  }
  bool Polling() { return !app_->session().PollingSuspended(); }

  common::ScriptedPrompts prompts_;
  std::unique_ptr<sim::TbxDevice> device_;
  common::SimulatedPort* port_ = nullptr;
  std::unique_ptr<TesseraApp> app_;
  std::unique_ptr<FlashLoader> loader_;
};

std::string Hex(const common::Bytes& bytes) {
  return ToHex(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size())))
      .toStdString();
}

TEST_F(FlashLoaderTest, OperationsInTurnOnTheWire) {
  Make();
  QSignalSpy mode(loader_.get(), &FlashLoader::LoaderModeChanged);
  const common::Bytes record = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                                0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16,
                                0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20};
  FlashLoader& l = *loader_;
  const auto text = [](bool ok) { return std::string(ok ? "yes" : "no"); };
  const struct {
    const char* what;
    std::function<std::string()> run;
    const char* wire;  // "" when nothing is sent
    std::string result;
    bool loader_mode, polling;
  } steps[] = {
      {"launch", [&] { return std::to_string(static_cast<int>(l.FlashLaunch().kind)); },
       "70 01 5A A5 69 26", "3", true, false},
      {"again: already running", [&] { return std::to_string(l.FlashLaunch().status); },
       "70 01 5A A5 69 26", "64", true, false},
      {"read id",
       [&] {
         const auto codes = l.FlashReadId();
         return Hex({codes->manufacturer, codes->device});
       },
       "70 07 88", "1F B5", true, false},
      {"erase", [&] { return text(l.FlashErase()); }, "70 02 FF 8E", "yes", true, false},
      {"checksum", [&] { return std::to_string(*l.FlashChecksum()); }, "70 03 08 84", "0", true,
       false},
      {"program", [&] { return std::to_string(l.FlashProgramRecord(0x7000, record)->status); },
       "70 04 00 70 00 20 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 "
       "19 1A 1B 1C 1D 1E 1F 20 60 8B",
       "0", true, false},
      {"33 bytes: nothing sent",
       [&] { return text(l.FlashProgramRecord(0, common::Bytes(33, 0)).has_value()); }, "", "no",
       true, false},
      {"read back", [&] { return Hex(*l.FlashReadRecord(0x7000)); }, "70 05 00 70 00 20 FA",
       Hex(record), true, false},
      {"read back 4 bytes from 0x1FFFE", [&] { return Hex(*l.FlashReadRecord(0x1FFFE, 4)); },
       "70 05 FE FF 01 04 88", "FF FF FF FF", true, false},
      {"reboot", [&] { return text(l.FlashReboot()); }, "70 06 89", "yes", false, true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_EQ(step.run(), step.result);
    EXPECT_EQ(Sent().join('|').toStdString(), step.wire);
    EXPECT_EQ(l.LoaderRunning(), step.loader_mode);
    EXPECT_EQ(Polling(), step.polling);
  }
  ASSERT_EQ(mode.count(), 2);  // on with the first launch, off with the reboot
  EXPECT_TRUE(mode[0][0].toBool());
  EXPECT_FALSE(mode[1][0].toBool());
}

TEST_F(FlashLoaderTest, AFailedLaunchStartsPollingAgain) {
  const struct {
    sim::TbxLoaderOptions options;
    LaunchOutcome::Kind kind;
  } cases[] = {
      {{.refuse_launch = true}, LaunchOutcome::Kind::kRefused},
      {{.corrupted = {0x01}}, LaunchOutcome::Kind::kNoResponse},
  };
  for (const auto& c : cases) {
    Make(c.options);
    QSignalSpy mode(loader_.get(), &FlashLoader::LoaderModeChanged);
    EXPECT_EQ(loader_->FlashLaunch().kind, c.kind);
    EXPECT_TRUE(Polling());
    EXPECT_FALSE(loader_->LoaderRunning());
    EXPECT_EQ(mode.count(), 0);
  }
}

// The unit gets a second of quiet before the launch and half a second after the
// reboot; the poll timer runs all along but sends nothing in between.
TEST_F(FlashLoaderTest, SettleWaitsAroundTheLoader) {
  Make();
  loader_->SetTiming({});
  QTimer* poll = app_->session().Loop().Timer();
  poll->start();
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(loader_->FlashLaunch().ok());
  EXPECT_GE(clock.elapsed(), 1000);
  EXPECT_LT(clock.elapsed(), 1400);
  EXPECT_FALSE(poll->isActive());
  QStringList sent = Sent();
  ASSERT_FALSE(sent.isEmpty());
  EXPECT_EQ(sent.back(), "70 01 5A A5 69 26");
  for (const QString& block : sent.mid(0, sent.size() - 1)) EXPECT_TRUE(block.startsWith("34 "));

  clock.restart();
  EXPECT_TRUE(loader_->FlashReboot());
  EXPECT_GE(clock.elapsed(), 500);
  EXPECT_LT(clock.elapsed(), 900);
  EXPECT_EQ(Sent(), QStringList{"70 06 89"});
  EXPECT_TRUE(poll->isActive());
  poll->stop();
}

TEST_F(FlashLoaderTest, ARunningLoaderIsFoundOnlyWhenThere) {
  for (const bool running : {false, true}) {
    Make({.start_running = running});
    QSignalSpy mode(loader_.get(), &FlashLoader::LoaderModeChanged);
    EXPECT_EQ(loader_->FindRunningLoader(), running);
    EXPECT_EQ(Sent(), QStringList{"70 03 08 84"});
    EXPECT_EQ(loader_->LoaderRunning(), running);
    EXPECT_EQ(Polling(), !running);
    EXPECT_EQ(mode.count(), running ? 1 : 0);
  }
}

}  // namespace
}  // namespace tessera::flash
