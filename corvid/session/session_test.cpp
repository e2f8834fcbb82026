// Corvid's session without any window: start-up, the tick's schedule on the wire,
// what the status command carries, and what the session reports.
#include "corvid/session/session.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "corvid/testing/test_harness.h"

namespace corvid {
namespace {

using common::testing::H;
using testing::AppRig;
using testing::SessionHarness;

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
  QTimer* timer = rig.session.Loop().Timer();
  const common::LineSettings& line = rig.Port().Settings();
  EXPECT_EQ(std::tuple(timer->isActive(), timer->interval(), line.baud, line.parity, line.data_bits,
                       line.stop_bits),
            std::tuple(true, 50, 307200, 'N', 8, 1));
  timer->stop();
  const QSettings stored(rig.dir.filePath("Corvid.conf"), QSettings::IniFormat);
  EXPECT_EQ(std::tuple(slot.count(), opened.count(), text.count(), disables.count(),
                       slot.value(0).value(0).toInt(), rig.link.SlotAddress(),
                       opened.value(0).value(0).toInt(), text.value(0).value(0).toString(),
                       stored.value("port/portnum").toString()),
            std::tuple(1, 1, 1, 1, 7, 7, 1, QString("PC Comm Port = 1"), QString("1")));
  rig.session.SetOutputDisabled(6, true);  // there are six outputs, 0-5
  rig.session.SetOutputDisabled(-1, false);
  EXPECT_EQ(rig.session.Disables(), 0x3F);
  EXPECT_TRUE(rig.prompts.shown().empty());
}

TEST(CorvidSessionTest, PollScheduleOnTheWireAndAcrossTheWrap) {
  SessionHarness h;
  std::vector<std::string> sent;
  for (int tick = 0; tick < 260; ++tick) {
    h.session.PollTick();
    sent.push_back(H(h.device.TakeCodes()));
  }
  // The plan of each tick is the core's; here, that the session follows it and
  // wraps its count after 255, so tick 256 is a tick 0 again.
  const std::pair<int, const char*> expected[] = {{0, "3C 7B 01"}, {1, "01"},   {4, "3C 01"},
                                                  {9, "3C 7B 01"}, {255, "01"}, {256, "3C 7B 01"},
                                                  {259, "01"}};
  for (const auto& [tick, codes] : expected) EXPECT_EQ(sent[tick], codes) << "tick " << tick;
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
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(std::tuple(port.reopen_asked, opened.count(), prompts.shown()[0].title),
            std::tuple(1, 0, "COM Port Open Error"));
  port.SetOpenFailure({});
  ASSERT_TRUE(port.Open());
  emit port.Reopened();  // what QtSerialPort says on the first write that finds it
  EXPECT_TRUE(app.session().GetStatus());
  EXPECT_EQ(std::tuple(opened.count(), opened.value(0).value(0).toInt(), prompts.shown().size()),
            std::tuple(1, 1, 1u));
}

TEST(CorvidSessionTest, TicksAndDeferredActionsNeverNestInAnExchange) {
  SessionHarness h;
  h.device.delay_ms = 20;
  // A tick arriving while GetStatus waits, and one inside another tick's waits.
  QTimer::singleShot(5, [&] { h.session.PollTick(); });
  ASSERT_TRUE(h.session.GetStatus());
  EXPECT_EQ(H(h.device.TakeCodes()), "01");
  QTimer::singleShot(5, [&] { h.session.PollTick(); });
  h.session.PollTick();
  EXPECT_EQ(H(h.device.TakeCodes()), "3C 7B 01");
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
  const std::string first = H(h.device.TakeCodes());
  h.session.PollTick();
  EXPECT_EQ(std::tuple(first, H(h.device.TakeCodes()), h.app.state().calibration_request),
            std::tuple("3C 7B 01 7C", "01", CalibrationRequest::kNone));
  EXPECT_TRUE(h.session.SetCalibration());
  EXPECT_EQ(std::tuple(H(h.device.TakeCodes()), h.prompts.shown().size()), std::tuple("7C", 1ul));
}

}  // namespace
}  // namespace corvid
