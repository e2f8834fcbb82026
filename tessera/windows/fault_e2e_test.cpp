// Fault runs: the real tessera against tbx-sim over a pty, through QSerialPort and the
// whole start-up, while the line misbehaves for a second (noise, cut and overlong
// answers, wrong checksums, late answers, a flood, the device pulled and plugged back).
// Each run asserts the first tick's bytes, that polling is back within a second of the
// fault's end, that the window never showed anything the unit did not say, and that
// the program stayed small.
#include <gtest/gtest.h>

#include "common/testing/device_run.h"
#include "common/testing/test_support.h"

namespace {

using common::testing::DeviceRun;
using common::testing::FaultRun;
using common::testing::kRecoveryS;
using common::testing::LinkShown;
using common::testing::Plain;
using common::testing::RunThroughFault;
using common::testing::ScreenEntry;
using common::testing::ShownLinkState;

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
  const FaultRun f = RunThroughFault(run, fault, QByteArray("\x34", 1));
  ASSERT_TRUE(f.failure.isEmpty()) << f.failure.toStdString();
  // Before the fault, the first tick through the whole start-up: input, status and
  // identify, each answered; then the next input.
  QStringList first;
  for (const auto& block : common::testing::ReadTrafficLog(run.TrafficLogPath()).mid(0, 7))
    first << (block.from_host ? "> " : "< ") + common::testing::ToHex(block.bytes);
  EXPECT_EQ(first, (QStringList{"> 34 00 CB", "< 34 00 00 00 00 00 00 00 90 00 00 00 00 3B",
                                "> 31 00 CE", "< 31 00 00 00 00 00 00 00 CE", "> 71 0D 00 00 81",
                                "< 71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27", "> 34 00 CB"}));
  const LinkShown link = ShownLinkState(f.screen, "lblComm", "TBX Responding", Plain);
  ASSERT_GT(link.first_good, 0) << "the unit never showed as responding";
  EXPECT_EQ(link.last, "TBX Responding");
  EXPECT_LE(link.last_good - f.fault_off, kRecoveryS) << "link state back too late";
  EXPECT_GE(f.RequestsAfter(f.fault_off + kRecoveryS),
            static_cast<int>((f.end - f.fault_off - kRecoveryS) * 5))
      << "polling slower than half its rate after recovery";

  // From the first good answer on, every state shown is one the unit reported.
  for (const ScreenEntry& e : f.screen) {
    if (e.t < link.first_good) continue;
    const QString shown = Plain(e.shown);
    const bool lamp = e.name.startsWith("shpIn_") || e.name.startsWith("shpOpto_");
    EXPECT_FALSE((e.name == "title" && shown != "TBX Address #9, Input Assembly Position #1") ||
                 (lamp && !shown.startsWith("off ")) ||
                 (e.name.startsWith("fraChannel_") && !shown.isEmpty()) ||
                 (e.name == "lblLineSync" && shown != "Line Sync Active"))
        << (e.name + "=" + e.shown).toStdString();
  }
  // A flood must not grow the program: what it buffers is bounded.
  if (common::testing::kProgramMemoryMeasurable) {
    ASSERT_GT(f.rss_before, 0);
    EXPECT_LT(f.rss_after - f.rss_before, 16 * 1024)
        << f.rss_before << " KiB -> " << f.rss_after << " KiB";
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, TesseraFaultRun,
                         ::testing::Values("garbage", "truncate", "oversize", "checksum", "late",
                                           "flood", "unplug"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace
