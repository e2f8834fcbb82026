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
  EXPECT_EQ(samples[0].mains, 1002);
  EXPECT_EQ(samples.Back().mains, 1004);
  EXPECT_EQ(samples.LowerBound(250), 1u);  // the reading at 300
  EXPECT_EQ(samples.LowerBound(500), 3u);
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
  StatusValues v;
  v.status_bits = 0x9;
  v.mains = 1187;
  v.volts = {0, 1203, 16383, 7, 1199, 1};
  v.amps = {2400, 0, 16383, 35, 1, 812};
  v.on_bits = 0x25;
  v.fault_bits = 0x12;
  rig.device.payloads[0x01] = StatusPayload(v);
  rig.device.payloads[0x7B] = {0xFB, 0x00, 0xB5, 0xFF, 0, 0, 0, 0};  // -75 oF
  ASSERT_TRUE(rig.session.PollTick());

  const auto& samples = rig.recorder.Log().Samples();
  ASSERT_EQ(samples.Size(), 1u);
  const TrendSample& s = samples[0];
  EXPECT_FALSE(s.no_answer);
  EXPECT_EQ(s.status_bits, 0x9);
  EXPECT_EQ(s.mains, 1187);
  EXPECT_EQ(
      (std::array<int, 6>{s.volts[0], s.volts[1], s.volts[2], s.volts[3], s.volts[4], s.volts[5]}),
      v.volts);
  EXPECT_EQ((std::array<int, 6>{s.amps[0], s.amps[1], s.amps[2], s.amps[3], s.amps[4], s.amps[5]}),
            v.amps);
  EXPECT_EQ(s.on_bits, 0x25);
  EXPECT_EQ(s.fault_bits, 0x12);
  ASSERT_EQ(rig.recorder.Log().Temperatures().Size(), 1u);
  EXPECT_EQ(rig.recorder.Log().Temperatures()[0].temperature, -75);
  EXPECT_LT(rig.recorder.Log().Temperatures()[0].time_ms, s.time_ms);
}

TEST(TrendRecorderTest, MissingAnswersLeaveOneMarkPerSilence) {
  Rig rig;
  // A pattern of ticks: answered, silent, answered with a status too short to read.
  struct Step {
    const char* what;
    bool silent;
    bool short_status;
    std::vector<bool> marks;  // the entries kept after the step: true = no answer
  };
  const std::vector<Step> steps = {
      {"answer", false, false, {false}},
      {"silence", true, false, {false, true}},
      {"still silent", true, false, {false, true}},
      {"answer again", false, false, {false, true, false}},
      {"unreadable status", false, true, {false, true, false, true}},
      {"answer", false, false, {false, true, false, true, false}},
  };
  const testing::Payload good = StatusPayload({});
  for (const Step& step : steps) {
    rig.device.silent = step.silent;
    rig.device.payloads[0x01] = step.short_status ? testing::Payload{0x81, 0x00} : good;
    rig.session.PollTick();
    const auto& samples = rig.recorder.Log().Samples();
    std::vector<bool> marks;
    for (std::size_t i = 0; i < samples.Size(); ++i) marks.push_back(samples[i].no_answer);
    EXPECT_EQ(marks, step.marks) << step.what;
  }
  // A tick the gate held back asked nothing: no mark.
  rig.session.SetTickGate([] { return false; });
  rig.session.PollTick();
  EXPECT_EQ(rig.recorder.Log().Samples().Size(), 5u);
}

}  // namespace
}  // namespace corvid
