// The I/O History's recording over the simulated unit: one poll per input exchange,
// the lamps exactly as the unit sent them, silence kept as gaps, ten minutes at most.
// What the changes make of them is read back from a saved file in the window's test.
#include "tessera/session/io_recorder.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <memory>
#include <set>

#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "tessera/core/requests.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_model.h"

namespace tessera {
namespace {

constexpr std::int64_t kStartMs = 1'700'000'000'000;

std::set<int> Lit(const HistoryPoll& poll) {
  std::set<int> lanes;
  for (int lane = 0; lane < kHistoryLanes; ++lane) {
    if (poll.On(lane)) lanes.insert(lane);
  }
  return lanes;
}

TEST(IoRecorderTest, KeepsOnePollPerInputExchangeAsTheUnitSentItForTenMinutes) {
  sim::TbxModel model({.idle_animation = false});
  common::ScriptedPrompts prompts;
  TesseraApp app(common::PortSetup{nullptr, std::make_unique<common::SimulatedPort>(&model)},
                 prompts);
  IoRecorder recorder(app.session());
  std::int64_t now = kStartMs;
  recorder.SetClock([&now] { return now += 100; });
  ASSERT_TRUE(app.session().Start(""));
  app.session().Loop().Timer()->stop();  // the test runs the ticks

  const struct {
    std::array<std::uint8_t, 16> points;  // outputs, which loop back to the points
    std::uint8_t optos;
    bool silent;
    std::set<int> lit;  // lanes: points 0-54, then optos 55-58
  } polls[] = {
      {{0x01}, 0x0, false, {0}},
      {{0x00, 0x80}, 0x5, false, {15, 55, 57}},
      {{0x00, 0x80}, 0x5, true, {}},
      {{0, 0, 0, 0, 0, 0, 0xC0}, 0x8, false, {54, 58}},  // bit 7 of byte 6 has no point
  };
  for (const auto& p : polls) {
    model.Options().silent = false;
    model.Receive(OutputRequest(p.points));
    model.Options().opto_inputs = p.optos;
    model.Options().silent = p.silent;
    app.session().PollTick();
    app.session().Loop().Timer()->stop();
  }
  const IoHistory& history = recorder.History();
  ASSERT_EQ(history.Size(), std::size(polls));
  for (std::size_t i = 0; i < history.Size(); ++i) {
    EXPECT_EQ(history[i].ms, kStartMs + 100 * static_cast<std::int64_t>(i + 1)) << i;
    EXPECT_EQ(history[i].Answered(), !polls[i].silent) << i;
    EXPECT_EQ(Lit(history[i]), polls[i].lit) << i;
  }

  // Ten minutes later the ring has turned: the oldest polls made room, in order.
  for (std::size_t i = 0; i < IoHistory::kPolls; ++i) {
    i % 100 == 99 ? recorder.RecordSilence() : recorder.RecordAnswer(InputLamps{});
  }
  ASSERT_EQ(history.Size(), IoHistory::kPolls);
  const std::int64_t oldest = kStartMs + 100 * (std::size(polls) + 1);
  EXPECT_EQ(history[0].ms, oldest);
  EXPECT_EQ(history[history.Size() - 1].ms, oldest + 100 * (IoHistory::kPolls - 1));
  EXPECT_FALSE(history[99].Answered());  // the 100th of the run
  const struct {
    std::int64_t ms;
    std::optional<std::size_t> found;
  } finds[] = {{oldest - 1, std::nullopt}, {oldest + 150, 1}, {oldest + 100 * 7000, 5999}};
  for (const auto& f : finds) EXPECT_EQ(history.Find(f.ms), f.found) << f.ms - oldest;
}

}  // namespace
}  // namespace tessera
