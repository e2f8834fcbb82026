#include "corvid/session/trend_recorder.h"

#include <gtest/gtest.h>

#include "corvid/testing/test_harness.h"

namespace corvid {
namespace {

using monitor::TrendLog;
using monitor::TrendSample;
using testing::StatusPayload;
using testing::StatusValues;

TEST(TrendRecorderTest, RingKeepsTheNewestInOrder) {
  TrendLog log(3, 2);
  for (int i = 0; i < 5; ++i) {
    monitor::StatusReading reading;
    reading.mains = 1000 + i;
    log.AddStatus(100 * i, reading);
    log.AddTemperature(100 * i, 70 + i);
  }
  const auto& samples = log.Samples();
  // The reading at 300 is the first at 250 or later; none is at 500; 72 at 200 gave way.
  EXPECT_EQ(std::tuple(samples.Size(), samples[0].mains, samples.Back().mains,
                       samples.LowerBound(250), samples.LowerBound(500), log.Temperatures().Size()),
            std::tuple(3ul, 1002, 1004, 1ul, 3ul, 2ul));
  EXPECT_EQ(std::tuple(log.TemperatureAt(350)->temperature, log.TemperatureAt(250)),
            std::tuple(std::int16_t{73}, nullptr));
}

struct Rig : testing::SessionHarness {
  Rig() {
    recorder.SetClock([this] { return now += 50; });
  }
  std::int64_t now = 0;
  TrendRecorder recorder{session};
};

TEST(TrendRecorderTest, KeepsEachReadingAsDecoded) {
  Rig rig;
  const StatusValues v{0x9,  1187, {0, 1203, 16383, 7, 1199, 1}, {2400, 0, 16383, 35, 1, 812},
                       0x25, 0x12};
  rig.device.payloads[0x01] = StatusPayload(v);
  rig.device.payloads[0x7B] = {0xFB, 0x00, 0xB5, 0xFF, 0, 0, 0, 0};  // -75 oF
  ASSERT_TRUE(rig.session.PollTick());

  const TrendLog& log = rig.recorder.Log();
  ASSERT_EQ(std::pair(log.Samples().Size(), log.Temperatures().Size()), std::pair(1ul, 1ul));
  const TrendSample& s = log.Samples()[0];
  EXPECT_EQ(std::tuple(s.no_answer, s.status_bits, s.mains, s.on_bits, s.fault_bits),
            std::tuple(false, 0x9, 1187, 0x25, 0x12));
  EXPECT_TRUE(std::ranges::equal(s.volts, v.volts) && std::ranges::equal(s.amps, v.amps));
  EXPECT_EQ(log.Temperatures()[0].temperature, -75);
  EXPECT_LT(log.Temperatures()[0].time_ms, s.time_ms);
}

TEST(TrendRecorderTest, MissingAnswersLeaveOneMarkPerSilence) {
  Rig rig;
  // Per tick: a answered, s silent, u a status too short to read; then the entries
  // kept, x for a no-answer mark.
  const std::pair<char, const char*> steps[] = {{'a', "."},   {'s', ".x"},   {'s', ".x"},
                                                {'a', ".x."}, {'u', ".x.x"}, {'a', ".x.x."}};
  for (const auto& [tick, marks] : steps) {
    rig.device.silent = tick == 's';
    rig.device.payloads[0x01] = tick == 'u' ? testing::Payload{0x81, 0x00} : StatusPayload({});
    rig.session.PollTick();
    std::string kept;
    const auto& samples = rig.recorder.Log().Samples();
    for (std::size_t i = 0; i < samples.Size(); ++i) kept += samples[i].no_answer ? 'x' : '.';
    EXPECT_EQ(kept, marks);
  }
  // A tick the gate held back asked nothing: no mark.
  rig.session.SetTickGate([] { return false; });
  rig.session.PollTick();
  EXPECT_EQ(rig.recorder.Log().Samples().Size(), 5u);
}

}  // namespace
}  // namespace corvid
