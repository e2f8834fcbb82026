// Fault runs: the real tessera against tbx-sim over a pty while the line misbehaves
// for a second (noise, cut and overlong answers, wrong checksums, late answers, a
// flood, the device pulled and plugged back). Each run asserts that polling is back
// within a second of the fault's end, that the window never showed anything the unit
// did not say, and that the program stayed small.
#include <gtest/gtest.h>

#include <QSet>

#include "common/event_wait.h"
#include "common/testing/device_run.h"
#include "common/testing/test_support.h"

namespace {

using common::testing::DeviceRun;
using common::testing::ReadScreenLog;
using common::testing::ReadTimedTraffic;
using common::testing::ScreenEntry;
using common::testing::TimedLine;

constexpr double kRecoveryS = 1.0;

// The control's state without what the link state adds to every control of fraIO.
QString Plain(const QString& shown) {
  QString plain = shown;
  plain.remove(" [disabled]");
  return plain;
}

class TesseraFaultRun : public ::testing::TestWithParam<const char*> {};

TEST_P(TesseraFaultRun, PollingRecoversAndTheWindowShowsOnlyWhatTheUnitSaid) {
  const QString fault = GetParam();
  // A unit at address 9 (an input assembly: no channel frames, blue points) whose
  // inputs stay off, so every lit point or other caption would be invented.
  DeviceRun run({.simulator = "tbx-sim",
                 .simulator_args = {"--address", "9", "--no-animation", "--fault", fault,
                                    "--fault-after", "1000", "--fault-for", "1000"},
                 .program = "tessera",
                 .program_args = {"/comm=7"},
                 .port = 7,
                 .prepare = {}});
  QString why;
  ASSERT_TRUE(run.Start(&why)) << why.toStdString();
  ASSERT_TRUE(run.WaitForNote("fault " + fault + " on", 15000)) << "the fault never started";
  const long long rss_before = run.ProgramRssKib();
  ASSERT_TRUE(run.WaitForNote("fault " + fault + " off", 5000));
  common::Delay(1600);
  const long long rss_after = run.ProgramRssKib();
  const bool running = run.ProgramRunning();
  const QByteArray errors = run.Stop();
  ASSERT_TRUE(running) << "tessera ended: " << errors.toStdString();

  double fault_on = 0, fault_off = 0, end = 0;
  QList<double> inputs;  // input requests on the wire
  for (const TimedLine& line : ReadTimedTraffic(run.TrafficLogPath())) {
    end = std::max(end, line.t);
    if (line.note == "fault " + fault + " on") fault_on = line.t;
    if (line.note == "fault " + fault + " off") fault_off = line.t;
    if (line.kind == '>' && line.bytes.startsWith("\x34")) inputs.append(line.t);
  }
  ASSERT_GT(fault_off, fault_on);

  const QList<ScreenEntry> screen = ReadScreenLog(run.ScreenLogPath());
  double first_good = 0, last_recovery = 0;
  QString link_state;
  for (const ScreenEntry& e : screen) {
    if (e.name != "lblComm") continue;
    link_state = Plain(e.shown);
    if (link_state == "TBX Responding") {
      if (first_good == 0) first_good = e.t;
      last_recovery = e.t;
    }
  }
  ASSERT_GT(first_good, 0) << "the unit never showed as responding";
  EXPECT_EQ(link_state, "TBX Responding");
  EXPECT_LE(last_recovery - fault_off, kRecoveryS) << "link state back too late";
  int late_inputs = 0;
  for (double t : inputs) late_inputs += t > fault_off + kRecoveryS ? 1 : 0;
  EXPECT_GE(late_inputs, static_cast<int>((end - fault_off - kRecoveryS) * 5))
      << "polling slower than half its rate after recovery";

  // From the first good answer on, every state shown is one the unit reported.
  const QSet<QString> titles = {"TBX Address #9, Input Assembly Position #1"};
  const QSet<QString> panel2 = {"", "Firmware Version = 23, Firmware Revision = 1.4 "};
  for (const ScreenEntry& e : screen) {
    if (e.t < first_good) continue;
    const QString shown = Plain(e.shown);
    const std::string what = (e.name + "=" + e.shown).toStdString();
    if (e.name == "title") {
      EXPECT_TRUE(titles.contains(shown)) << what;
    }
    if (e.name == "sbStatusBar_Panel2") {
      EXPECT_TRUE(panel2.contains(shown)) << what;
    }
    if (e.name.startsWith("shpIn_") || e.name.startsWith("shpOpto_")) {
      EXPECT_TRUE(shown.startsWith("off ")) << what;
    }
    if (e.name.startsWith("fraChannel_")) {
      EXPECT_EQ(shown, "") << what;
    }
    if (e.name == "lblLineSync") {
      EXPECT_EQ(shown, "Line Sync Active") << what;
    }
  }
  // A flood must not grow the program: what it buffers is bounded.
  if (common::testing::kProgramMemoryMeasurable) {
    ASSERT_GT(rss_before, 0);
    EXPECT_LT(rss_after - rss_before, 16 * 1024) << rss_before << " KiB -> " << rss_after << " KiB";
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, TesseraFaultRun,
                         ::testing::Values("garbage", "truncate", "oversize", "checksum", "late",
                                           "flood", "unplug"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
