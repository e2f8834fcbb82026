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
  ASSERT_EQ(samples.Size(), 3u);
  EXPECT_EQ(std::tuple(samples[0].mains, samples.Back().mains), std::tuple(1002, 1004));
  // The reading at 300 is the first at 250 or later; none is at 500.
  EXPECT_EQ(std::tuple(samples.LowerBound(250), samples.LowerBound(500)), std::tuple(1ul, 3ul));
  EXPECT_EQ(log.Temperatures().Size(), 2u);
  EXPECT_EQ(log.TemperatureAt(350)->temperature, 73);
  EXPECT_EQ(log.TemperatureAt(250), nullptr);  // 72 at 200 gave way
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
  const StatusValues v{.status_bits = 0x9,
                       .mains = 1187,
                       .volts = {0, 1203, 16383, 7, 1199, 1},
                       .amps = {2400, 0, 16383, 35, 1, 812},
                       .on_bits = 0x25,
                       .fault_bits = 0x12};
  rig.device.payloads[0x01] = StatusPayload(v);
  rig.device.payloads[0x7B] = {0xFB, 0x00, 0xB5, 0xFF, 0, 0, 0, 0};  // -75 oF
  ASSERT_TRUE(rig.session.PollTick());

  const auto& samples = rig.recorder.Log().Samples();
  ASSERT_EQ(samples.Size(), 1u);
  const TrendSample& s = samples[0];
  EXPECT_FALSE(s.no_answer);
  EXPECT_EQ(std::tuple(s.status_bits, s.mains, s.on_bits, s.fault_bits),
            std::tuple(0x9, 1187, 0x25, 0x12));
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(s.volts[i], v.volts[i]) << i;
    EXPECT_EQ(s.amps[i], v.amps[i]) << i;
  }
  ASSERT_EQ(rig.recorder.Log().Temperatures().Size(), 1u);
  EXPECT_EQ(rig.recorder.Log().Temperatures()[0].temperature, -75);
  EXPECT_LT(rig.recorder.Log().Temperatures()[0].time_ms, s.time_ms);
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
