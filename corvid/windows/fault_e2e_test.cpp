// Fault runs: the real corvid against switchpack-sim over a pty while the line
// misbehaves for a second (noise, cut and overlong frames, bad FCS, late answers,
// answers to the previous command, NAK storms, a flood, the device pulled and
// plugged back). Each run asserts that polling is back within a second of the
// fault's end, that the window never showed anything the device did not say, and
// that the program stayed small.
#include <gtest/gtest.h>

#include <QHash>
#include <QSet>

#include "common/testing/device_run.h"
#include "common/testing/test_support.h"
#include "corvid/link/settings_store.h"

namespace corvid::monitor {
namespace {

using namespace common::testing;  // the fault-run helpers

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
  const FaultRun f = RunThroughFault(run, fault, QByteArray("\x7E\x01\x13\x01", 4));
  ASSERT_TRUE(f.failure.isEmpty()) << f.failure.toStdString();
  const LinkShown link = ShownLinkState(f.screen, "lblRespnding", "Device Responding");
  ASSERT_GT(link.first_good, 0) << "the device never showed as responding";
  ASSERT_LT(link.first_good, f.fault_on);
  EXPECT_EQ(link.last, "Device Responding");
  EXPECT_LE(link.last_good - f.fault_off, kRecoveryS) << "link state back too late";
  EXPECT_GE(f.RequestsAfter(f.fault_off + kRecoveryS),
            static_cast<int>((f.end - f.fault_off - kRecoveryS) * 10))
      << "polling slower than half its rate after recovery";

  // What the window showed before the fault (start-up texts, then the device's
  // readings, which do not move on the simulated pack) is all it may ever show.
  QHash<QString, QSet<QString>> said;
  QHash<QString, QString> at_fault;
  for (const ScreenEntry& e : f.screen) {
    if (e.t >= f.fault_on || ShowsTheLink(e.name)) continue;
    said[e.name].insert(Plain(e.shown));
    at_fault[e.name] = Plain(e.shown);
  }
  EXPECT_EQ((QStringList{at_fault.value("sbStatus_1"), at_fault.value("txtTemperature"),
                         at_fault.value("txtMainsVoltage")}),
            (QStringList{"Device Type = VELD-LV", "77", "120.0"}));
  for (const ScreenEntry& e : f.screen) {
    if (e.t < f.fault_on || ShowsTheLink(e.name)) continue;
    EXPECT_TRUE(said.value(e.name).contains(Plain(e.shown)))
        << (e.name + "=" + e.shown).toStdString() << " at +" << e.t - f.fault_on << " s";
  }
  if (kProgramMemoryMeasurable) {
    ASSERT_GT(f.rss_before, 0);
    EXPECT_LT(f.rss_after - f.rss_before, 16 * 1024)
        << f.rss_before << " KiB -> " << f.rss_after << " KiB";
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
