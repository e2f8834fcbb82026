// Fault runs: the real corvid against switchpack-sim over a pty while the line
// misbehaves for a second (noise, cut and overlong frames, bad FCS, late answers,
// answers to the previous command, NAK storms, a flood, the device pulled and
// plugged back). Each run asserts that polling is back within a second of the
// fault's end, that the window never showed anything the device did not say, and
// that the program stayed small.
#include <gtest/gtest.h>

#include <QHash>
#include <QSet>

#include "common/event_wait.h"
#include "common/testing/device_run.h"
#include "common/testing/test_support.h"
#include "corvid/link/settings_store.h"

namespace corvid::monitor {
namespace {

using common::testing::DeviceRun;
using common::testing::ReadScreenLog;
using common::testing::ReadTimedTraffic;
using common::testing::ScreenEntry;
using common::testing::TimedLine;

constexpr double kRecoveryS = 1.0;

QString Plain(const QString& shown) {
  QString plain = shown;
  plain.remove(" [disabled]");
  return plain;
}

// Controls that show the link's own state rather than what the device said.
bool ShowsTheLink(const QString& name) {
  return name == "lblRespnding" || name == "shpResponding" || name == "imgNotResponding" ||
         name == "txtDeviceID" || name == "lblDeviceID" ||
         (name.startsWith("sbStatus") && name != "sbStatus_1");
}

class CorvidFaultRun : public ::testing::TestWithParam<const char*> {};

TEST_P(CorvidFaultRun, PollingRecoversAndTheWindowShowsOnlyWhatTheDeviceSaid) {
  const QString fault = GetParam();
  DeviceRun run(
      {.simulator = "switchpack-sim",
       .simulator_args = {"--fault", fault, "--fault-after", "1500", "--fault-for", "1000"},
       .program = "corvid",
       .program_args = {},
       .port = 9,
       .prepare = [](const QString& config) {
         SettingsStore(config + "/" + kOrganisationName + "/" + kApplicationName + ".conf")
             .SavePortNumber(9);
       }});
  QString why;
  ASSERT_TRUE(run.Start(&why)) << why.toStdString();
  ASSERT_TRUE(run.WaitForNote("fault " + fault + " on", 15000)) << "the fault never started";
  const long long rss_before = run.ProgramRssKib();
  ASSERT_TRUE(run.WaitForNote("fault " + fault + " off", 5000));
  common::Delay(1600);
  const long long rss_after = run.ProgramRssKib();
  const bool running = run.ProgramRunning();
  const QByteArray errors = run.Stop();
  ASSERT_TRUE(running) << "corvid ended: " << errors.toStdString();

  double fault_on = 0, fault_off = 0, end = 0;
  QList<double> statuses;  // status commands on the wire
  for (const TimedLine& line : ReadTimedTraffic(run.TrafficLogPath())) {
    end = std::max(end, line.t);
    if (line.note == "fault " + fault + " on") fault_on = line.t;
    if (line.note == "fault " + fault + " off") fault_off = line.t;
    if (line.kind == '>' && line.bytes.startsWith(QByteArray("\x7E\x01\x13\x01", 4))) {
      statuses.append(line.t);
    }
  }
  ASSERT_GT(fault_off, fault_on);

  const QList<ScreenEntry> screen = ReadScreenLog(run.ScreenLogPath());
  double first_good = 0, last_recovery = 0;
  QString link_state;
  for (const ScreenEntry& e : screen) {
    if (e.name != "lblRespnding") continue;
    link_state = e.shown;
    if (link_state == "Device Responding") {
      if (first_good == 0) first_good = e.t;
      last_recovery = e.t;
    }
  }
  ASSERT_GT(first_good, 0) << "the device never showed as responding";
  ASSERT_LT(first_good, fault_on);
  EXPECT_EQ(link_state, "Device Responding");
  EXPECT_LE(last_recovery - fault_off, kRecoveryS) << "link state back too late";
  int late_statuses = 0;
  for (double t : statuses) late_statuses += t > fault_off + kRecoveryS ? 1 : 0;
  EXPECT_GE(late_statuses, static_cast<int>((end - fault_off - kRecoveryS) * 10))
      << "polling slower than half its rate after recovery";

  // What the window showed before the fault (start-up texts, then the device's
  // readings, which do not move on the simulated pack) is all it may ever show.
  QHash<QString, QSet<QString>> said;
  QHash<QString, QString> at_fault;
  for (const ScreenEntry& e : screen) {
    if (e.t >= fault_on || ShowsTheLink(e.name)) continue;
    said[e.name].insert(Plain(e.shown));
    at_fault[e.name] = Plain(e.shown);
  }
  EXPECT_EQ(at_fault.value("sbStatus_1"), "Device Type = VELD-LV");
  EXPECT_EQ(at_fault.value("txtTemperature"), "77");
  EXPECT_EQ(at_fault.value("txtMainsVoltage"), "120.0");
  for (const ScreenEntry& e : screen) {
    if (e.t < fault_on || ShowsTheLink(e.name)) continue;
    EXPECT_TRUE(said.value(e.name).contains(Plain(e.shown)))
        << (e.name + "=" + e.shown).toStdString() << " at +" << e.t - fault_on << " s";
  }
  if (common::testing::kProgramMemoryMeasurable) {
    ASSERT_GT(rss_before, 0);
    EXPECT_LT(rss_after - rss_before, 16 * 1024) << rss_before << " KiB -> " << rss_after << " KiB";
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, CorvidFaultRun,
                         ::testing::Values("garbage", "truncate", "oversize", "checksum", "late",
                                           "foreign", "nak", "flood", "unplug"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
}  // namespace corvid::monitor
