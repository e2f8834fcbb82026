// Corvid's session without any window: start-up, the tick's schedule on the wire,
// what the status command carries, and what the session reports.
#include "corvid/session/session.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "corvid/testing/test_harness.h"

namespace corvid {
namespace {

using common::testing::Hex;
using testing::AppRig;
using testing::SessionHarness;
using Codes = Bytes;

// Start-up: the stored slot, the default port opened at the line settings and stored
// as the port dialog would store it, every output disabled.
TEST(CorvidSessionTest, StartUpReadsTheStoreOpensThePortAndDisablesEveryOutput) {
  AppRig rig;
  rig.app.store().SaveSlotAddress(7);
  QSignalSpy slot(&rig.session, &Session::SlotAddressChanged);
  QSignalSpy opened(&rig.session, &Session::PortOpened);
  QSignalSpy text(&rig.session, &Session::PortTextChanged);
  QSignalSpy disables(&rig.session, &Session::DisablesChanged);
  rig.session.Start();
  EXPECT_EQ(
      std::tuple(rig.session.Loop().Timer()->isActive(), rig.session.Loop().Timer()->interval()),
      std::tuple(true, 50));
  rig.session.Loop().Timer()->stop();
  const common::LineSettings& line = rig.Port().Settings();
  EXPECT_EQ(std::tuple(line.baud, line.parity, line.data_bits, line.stop_bits),
            std::tuple(307200, 'N', 8, 1));
  ASSERT_EQ(std::tuple(slot.count(), opened.count(), text.count(), disables.count()),
            std::tuple(1, 1, 1, 1));
  EXPECT_EQ(std::tuple(slot[0][0].toInt(), rig.link.SlotAddress(), opened[0][0].toInt(),
                       text[0][0].toString()),
            std::tuple(7, 7, 1, QString("PC Comm Port = 1")));
  EXPECT_EQ(QSettings(rig.dir.filePath("Corvid.conf"), QSettings::IniFormat)
                .value("port/portnum")
                .toString(),
            "1");
  EXPECT_EQ(rig.session.Disables(), 0x3F);
  rig.session.SetOutputDisabled(6, true);  // there are six outputs, 0-5
  rig.session.SetOutputDisabled(-1, false);
  EXPECT_EQ(rig.session.Disables(), 0x3F);
  EXPECT_TRUE(rig.prompts.shown().empty());
}

TEST(CorvidSessionTest, PollScheduleOnTheWireAndAcrossTheWrap) {
  SessionHarness h;
  h.session.PollTick();
  // Identification, diagnostic, then status with every output disabled.
  EXPECT_EQ(h.Port().TakeWritten(),
            (QList<QByteArray>{Hex("7E 01 13 3C 06 D8 7E"), Hex("7E 01 13 7B BD EE 7E"),
                               Hex("7E 01 13 01 80 BF 33 B9 7E")}));
  std::vector<Codes> sent{h.device.TakeCodes()};
  for (int tick = 1; tick < 260; ++tick) {
    h.session.PollTick();
    sent.push_back(h.device.TakeCodes());
  }
  const Codes all{0x3C, 0x7B, 0x01}, id{0x3C, 0x01}, status{0x01};
  // The plan of each tick is the core's; here, that the session follows it and
  // wraps its count after 255, so tick 256 is a tick 0 again.
  const std::vector<std::pair<int, const Codes*>> expected = {
      {0, &all}, {1, &status}, {4, &id}, {9, &all}, {255, &status}, {256, &all}, {259, &status}};
  for (const auto& [tick, codes] : expected) EXPECT_EQ(sent[tick], *codes) << "tick " << tick;
  EXPECT_EQ(h.app.state().poll_count, 4);
  EXPECT_EQ(h.app.store().Load().SlotAddress, 1);  // written back at start
}

// A port that records whether it was asked to keep trying after a failed open.
class RecordingPort : public common::SimulatedPort {
 public:
  using SimulatedPort::SimulatedPort;
  void ReopenWhenPresent() override { ++reopen_asked; }
  int reopen_asked = 0;
};

// An adapter not plugged in at start-up: the box is shown once, the port is asked to
// open by itself once it is there, and the window learns the port when it did.
TEST(CorvidSessionTest, PortMissingAtStartIsTakenWhenItAppears) {
  QTemporaryDir dir;
  testing::ScriptedDevice device;
  device.payloads = testing::HealthyPayloads();
  common::ScriptedPrompts prompts;
  auto owned = std::make_unique<RecordingPort>(&device);
  RecordingPort& port = *owned;
  port.SetOpenFailure("Port not found");
  CorvidApp app{common::PortSetup{nullptr, std::move(owned)}, prompts,
                std::make_unique<SettingsStore>(dir.filePath("Corvid.conf"))};
  QSignalSpy opened(&app.session(), &Session::PortOpened);
  app.session().Start();
  app.session().Loop().Timer()->stop();
  EXPECT_EQ(std::tuple(port.reopen_asked, opened.count()), std::tuple(1, 0));
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(prompts.shown()[0].title, "COM Port Open Error");
  port.SetOpenFailure({});
  ASSERT_TRUE(port.Open());
  emit port.Reopened();  // what QtSerialPort says on the first write that finds it
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened[0][0].toInt(), 1);
  EXPECT_TRUE(app.session().GetStatus());
  EXPECT_EQ(prompts.shown().size(), 1u);
}

TEST(CorvidSessionTest, TicksAndDeferredActionsNeverNestInAnExchange) {
  SessionHarness h;
  h.device.delay_ms = 20;
  // A tick arriving while GetStatus waits, and one inside another tick's waits.
  QTimer::singleShot(5, [&] { h.session.PollTick(); });
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x01}));
  QTimer::singleShot(5, [&] { h.session.PollTick(); });
  h.session.PollTick();
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x3C, 0x7B, 0x01}));
  EXPECT_EQ(h.app.state().poll_count, 1);

  // An action asked for during an exchange runs once the link is free.
  bool busy_when_run = true;
  int runs = 0;
  QTimer::singleShot(3, [&] {
    h.session.RunWhenIdle([&] { busy_when_run = h.link.Busy(), ++runs; });
    EXPECT_EQ(runs, 0);
  });
  h.session.PollTick();
  ASSERT_TRUE(common::testing::WaitUntil([&] { return runs == 1; }, 1000));
  EXPECT_FALSE(busy_when_run);
}

// What the request sends and the box it shows are the manual window's test; here,
// that it is sent once, and that the guided calibration's direct call asks nothing.
TEST(CorvidSessionTest, ACalibrationRequestIsSentOnce) {
  SessionHarness h;
  h.session.SetCalibrationSource([] { return std::optional(monitor::CalibrationFactors{}); });
  h.session.RequestCalibration(CalibrationRequest::kFromManualWindow);
  h.session.PollTick();
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x3C, 0x7B, 0x01, 0x7C}));
  EXPECT_EQ(h.app.state().calibration_request, CalibrationRequest::kNone);
  h.session.PollTick();
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x01}));
  EXPECT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_TRUE(h.session.SetCalibration());
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x7C}));
  EXPECT_EQ(h.prompts.shown().size(), 1u);
}

}  // namespace
}  // namespace corvid
