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
using testing::Payload;
using testing::SessionHarness;
using testing::StatusPayload;
using Codes = Bytes;

TEST(CorvidSessionTest, StartUpReadsTheStoreOpensThePortAndDisablesEveryOutput) {
  AppRig rig;
  rig.app.store().SaveSlotAddress(7);
  rig.app.store().SavePortNumber(12);
  QSignalSpy slot(&rig.session, &Session::SlotAddressChanged);
  QSignalSpy opened(&rig.session, &Session::PortOpened);
  QSignalSpy disables(&rig.session, &Session::DisablesChanged);
  rig.session.Start();
  EXPECT_TRUE(rig.session.Loop().Timer()->isActive());
  EXPECT_EQ(rig.session.Loop().Timer()->interval(), 50);
  rig.session.Loop().Timer()->stop();
  const common::LineSettings& line = rig.Port().Settings();
  EXPECT_EQ(std::tuple(line.baud, line.parity, line.data_bits, line.stop_bits),
            std::tuple(307200, 'N', 8, 1));
  EXPECT_EQ(rig.Port().PortNumber(), 12);
  ASSERT_EQ(slot.count(), 1);
  EXPECT_EQ(slot[0][0].toInt(), 7);
  EXPECT_EQ(rig.link.SlotAddress(), 7);
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened[0][0].toInt(), 12);
  ASSERT_EQ(disables.count(), 1);
  EXPECT_EQ(rig.session.Disables(), 0x3F);
  EXPECT_TRUE(rig.prompts.shown().empty());
}

TEST(CorvidSessionTest, APortOpenedAtStartUpIsStoredAsTheDialogWouldStoreIt) {
  AppRig rig;
  QSignalSpy text(&rig.session, &Session::PortTextChanged);
  rig.session.Start();
  rig.session.Loop().Timer()->stop();
  EXPECT_EQ(QSettings(rig.dir.filePath("Corvid.conf"), QSettings::IniFormat)
                .value("port/portnum")
                .toString(),
            "1");
  ASSERT_EQ(text.count(), 1);
  EXPECT_EQ(text[0][0].toString(), "PC Comm Port = 1");
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
  // Identification on ticks 4, 9, 14, ...; diagnostic too on 9, 19, 29, ...; the
  // count wraps after 255, so tick 256 is a tick 0 again.
  const std::vector<std::pair<int, const Codes*>> expected = {
      {0, &all},      {1, &status}, {3, &status},   {4, &id},       {5, &status},
      {8, &status},   {9, &all},    {10, &status},  {14, &id},      {19, &all},
      {24, &id},      {29, &all},   {249, &all},    {250, &status}, {254, &id},
      {255, &status}, {256, &all},  {257, &status}, {259, &status}};
  for (const auto& [tick, codes] : expected) EXPECT_EQ(sent[tick], *codes) << "tick " << tick;
  int identify = 0, diagnostic = 0;
  for (int tick = 0; tick < 256; ++tick) {
    identify += sent[tick].size() > 1;
    diagnostic += sent[tick].size() > 2;
  }
  EXPECT_EQ(identify, 52);    // tick 0 and 51 ticks (4, 9, ..., 254)
  EXPECT_EQ(diagnostic, 26);  // tick 0 and 25 ticks (9, 19, ..., 249)
  EXPECT_EQ(h.app.state().poll_count, 4);
  EXPECT_EQ(h.app.store().Load().SlotAddress, 1);  // written back at start
}

TEST(CorvidSessionTest, AnswersTooShortToDecodeChangeNothing) {
  SessionHarness h;
  h.session.PollTick();
  const monitor::StatusReading before = h.session.LastStatus().value();
  QSignalSpy status(&h.session, &Session::StatusChanged);
  QSignalSpy diagnostic(&h.session, &Session::DiagnosticChanged);
  QSignalSpy identity(&h.session, &Session::IdentityChanged);
  Payload short_status = StatusPayload({.mains = 1});
  short_status.resize(29);
  h.device.payloads[0x01] = short_status;
  h.device.payloads[0x7B] = {0xFB, 0x03, 0xFE, 0xFF, 255, 254, 0};
  h.device.payloads[0x3C] = {0xBC};
  EXPECT_FALSE(h.session.GetStatus());
  EXPECT_FALSE(h.session.GetDiagnostic());
  EXPECT_FALSE(h.session.GetModuleID());
  EXPECT_EQ(status.count() + diagnostic.count() + identity.count(), 0);
  EXPECT_EQ(h.app.state().device_type, 2);
  EXPECT_EQ(h.session.LastStatus()->mains, before.mains);
  // A bad FCS is counted and decoded into nothing.
  Bytes bad = BuildCommandFrame(1, StatusPayload({.mains = 1}));
  bad[bad.size() - 2] ^= 0x01;
  h.device.raw_reply = bad;
  EXPECT_FALSE(h.session.GetStatus());
  EXPECT_EQ(h.session.Counters().crc_errors, 1);
  EXPECT_EQ(h.session.LastStatus()->mains, 1200);
}

// The answer to another command, as a late one arrives: the diagnostic exchange once
// took a status answer and showed a temperature of 2355, the identify exchange set
// the device type to 0. Now such an answer is decoded into nothing and counted as
// a window without answer.
TEST(CorvidSessionTest, AnswersToAnotherCommandChangeNothing) {
  SessionHarness h;
  h.session.PollTick();
  ASSERT_EQ(h.app.state().device_type, 2);
  QSignalSpy status(&h.session, &Session::StatusChanged);
  QSignalSpy diagnostic(&h.session, &Session::DiagnosticChanged);
  QSignalSpy identity(&h.session, &Session::IdentityChanged);
  const Payload late_status = StatusPayload({.mains = 1203});
  struct Case {
    const char* name;
    std::uint8_t command;
    Payload answer;
    bool (Session::*call)();
  };
  for (const Case& c : {
           Case{"status to diagnostic", 0x7B, late_status, &Session::GetDiagnostic},
           Case{"status to identify", 0x3C, late_status, &Session::GetModuleID},
           Case{"identification to status", 0x01, h.device.payloads[0x3C], &Session::GetStatus},
           Case{"flash-unit status to status", 0x01, StatusPayload({}, 0x82), &Session::GetStatus},
       }) {
    SCOPED_TRACE(c.name);
    const std::uint64_t timeouts = h.session.Counters().timeouts;
    const Payload saved = h.device.payloads[c.command];
    h.device.payloads[c.command] = c.answer;
    EXPECT_FALSE((h.session.*c.call)());
    h.device.payloads[c.command] = saved;
    EXPECT_EQ(h.session.Counters().timeouts, timeouts + 1);
  }
  EXPECT_EQ(status.count() + diagnostic.count() + identity.count(), 0);
  EXPECT_EQ(h.app.state().device_type, 2);
  EXPECT_EQ(h.app.state().module_id, "Type 03 Rev 1.12");
  EXPECT_EQ(h.session.LastStatus()->mains, 1200);
  EXPECT_EQ(h.session.Counters().crc_errors, 0u);
  EXPECT_TRUE(h.prompts.shown().empty());
  // The proper answers are taken again at once.
  EXPECT_TRUE(h.session.GetDiagnostic());
  EXPECT_TRUE(h.session.GetModuleID());
}

// A port that records whether it was asked to keep trying after a failed open.
class RecordingPort : public common::SimulatedPort {
 public:
  using SimulatedPort::SimulatedPort;
  void ReopenWhenPresent() override { ++reopen_asked; }
  int reopen_asked = 0;
};

// An adapter not plugged in at start-up: the box is shown once as before, the port
// is asked to open by itself once it is there, and the window learns the port when
// it did.
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
  EXPECT_EQ(prompts.shown()[0].title, "COM Port Open Error");
  EXPECT_EQ(port.reopen_asked, 1);
  EXPECT_EQ(opened.count(), 0);

  port.SetOpenFailure({});
  ASSERT_TRUE(port.Open());
  emit port.Reopened();  // what QtSerialPort says on the first write that finds it
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened[0][0].toInt(), 1);
  EXPECT_TRUE(app.session().GetStatus());
  EXPECT_EQ(prompts.shown().size(), 1u);
}

// A port that opens at start-up is not asked to keep trying.
TEST(CorvidSessionTest, PortOpenAtStartIsNotAskedToRetry) {
  QTemporaryDir dir;
  testing::ScriptedDevice device;
  common::ScriptedPrompts prompts;
  auto owned = std::make_unique<RecordingPort>(&device);
  RecordingPort& port = *owned;
  CorvidApp app{common::PortSetup{nullptr, std::move(owned)}, prompts,
                std::make_unique<SettingsStore>(dir.filePath("Corvid.conf"))};
  app.session().Start();
  app.session().Loop().Timer()->stop();
  EXPECT_EQ(port.reopen_asked, 0);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST(CorvidSessionTest, RespondingIsReportedOnlyWhenItChanges) {
  SessionHarness h;
  QSignalSpy responding(&h.session, &Session::RespondingChanged);
  h.session.PollTick();  // three good answers
  h.link.SetResponseWindowMs(5);
  h.device.silent = true;
  h.session.GetStatus();
  h.session.GetStatus();
  h.device.silent = false;
  h.session.GetModuleID();
  ASSERT_EQ(responding.count(), 3);
  EXPECT_TRUE(responding[0][0].toBool());
  EXPECT_FALSE(responding[1][0].toBool());
  EXPECT_TRUE(responding[2][0].toBool());
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

TEST(CorvidSessionTest, ACalibrationRequestSendsTheFactorsOnceAndConfirms) {
  SessionHarness h;
  monitor::CalibrationFactors factors{};
  for (int i = 0; i < 13; ++i) factors[i] = static_cast<std::uint16_t>(0x0100 * i + 0x7D);
  h.session.SetCalibrationSource([&] { return std::optional(factors); });
  h.session.RequestCalibration(CalibrationRequest::kFromManualWindow);
  h.session.PollTick();
  ASSERT_EQ(h.device.commands.size(), 4u);
  Payload expected{0x7C};  // 13 factors, low byte first
  for (int i = 0; i < 13; ++i) expected.insert(expected.end(), {0x7D, std::uint8_t(i)});
  EXPECT_EQ(h.device.commands[3], expected);
  EXPECT_EQ(h.app.state().calibration_request, CalibrationRequest::kNone);
  ASSERT_EQ(h.prompts.shown().size(), 1u);
  EXPECT_EQ(h.prompts.shown()[0].title, "VANTA Calibration");
  EXPECT_EQ(h.prompts.shown()[0].text, "Calibration Set");
  h.device.TakeCodes();
  h.session.PollTick();
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x01}));
  // Called directly (the guided calibration), it sends without the confirmation.
  EXPECT_TRUE(h.session.SetCalibration());
  EXPECT_EQ(h.device.TakeCodes(), (Codes{0x7C}));
  EXPECT_EQ(h.prompts.shown().size(), 1u);
}

}  // namespace
}  // namespace corvid
