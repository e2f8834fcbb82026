// The I/O History's recording over the simulated unit: one poll per input exchange,
// the lamps exactly as the unit sent them, silence kept as gaps, ten minutes at most.
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

class IoRecorderTest : public ::testing::Test {
 protected:
  IoRecorderTest() {
    auto port = std::make_unique<common::SimulatedPort>(&model_);
    port_ = port.get();
    app_ = std::make_unique<TesseraApp>(common::PortSetup{nullptr, std::move(port)}, prompts_);
    recorder_ = std::make_unique<IoRecorder>(app_->session());
    recorder_->SetClock([this] { return now_ += 100; });
  }

  // The unit's inputs for the next answers (outputs loop back to the points), then one tick.
  void Poll(std::array<std::uint8_t, 16> points, int optos, bool silent) {
    model_.Options().silent = false;
    model_.Receive(OutputRequest(points));
    model_.Options().opto_inputs = static_cast<std::uint8_t>(optos);
    model_.Options().silent = silent;
    app_->session().PollTick();
    app_->session().Loop().Timer()->stop();
  }

  static std::set<int> Lit(const HistoryPoll& poll) {
    std::set<int> lanes;
    for (int lane = 0; lane < kHistoryLanes; ++lane) {
      if (poll.On(lane)) lanes.insert(lane);
    }
    return lanes;
  }

  sim::TbxModel model_{{.idle_animation = false}};
  common::ScriptedPrompts prompts_;
  common::SimulatedPort* port_ = nullptr;
  std::unique_ptr<TesseraApp> app_;
  std::unique_ptr<IoRecorder> recorder_;
  std::int64_t now_ = kStartMs;
};

TEST_F(IoRecorderTest, EachInputExchangeIsOnePollWithTheLampsTheUnitSent) {
  ASSERT_TRUE(app_->session().Start(""));
  app_->session().Loop().Timer()->stop();
  const struct {
    std::array<std::uint8_t, 16> points;
    int optos;
    bool silent;
    std::set<int> lit;  // lanes: points 0-54, then optos 55-58
  } polls[] = {
      {{0x01}, 0x0, false, {0}},
      {{0x00, 0x80}, 0x5, false, {15, 55, 57}},
      {{0x00, 0x80}, 0x5, true, {}},
      {{0, 0, 0, 0, 0, 0, 0xC0}, 0x8, false, {54, 58}},  // bit 7 of byte 6 has no point
      {{0, 0, 0, 0, 0, 0, 0xC0}, 0x8, false, {54, 58}},
  };
  for (const auto& p : polls) Poll(p.points, p.optos, p.silent);

  const IoHistory& history = recorder_->History();
  ASSERT_EQ(history.Size(), std::size(polls));
  for (std::size_t i = 0; i < history.Size(); ++i) {
    EXPECT_EQ(history[i].ms, kStartMs + 100 * static_cast<std::int64_t>(i + 1)) << i;
    EXPECT_EQ(history[i].Answered(), !polls[i].silent) << i;
    EXPECT_EQ(Lit(history[i]), polls[i].lit) << i;
  }
  EXPECT_EQ(history.ChangedLanes(),
            (1ull << 0) | (1ull << 15) | (1ull << 54) | (1ull << 55) | (1ull << 57) | (1ull << 58));

  // After the first poll's full picture, only what changed; after the gap, what
  // differs from the last answer.
  std::vector<HistoryChange> changes = HistoryChanges(history);
  ASSERT_EQ(changes.size(), 1u + kHistoryLanes + 4 + 1 + 1 + 5);
  changes.erase(changes.begin(), changes.begin() + 1 + kHistoryLanes);
  const auto t = [](int poll) { return kStartMs + 100 * poll; };
  const std::vector<std::tuple<std::int64_t, int, bool>> expected = {
      {t(2), 0, false},         {t(2), 15, true},        {t(2), 55, true},  {t(2), 57, true},
      {t(3), kLinkLane, false}, {t(4), kLinkLane, true}, {t(4), 15, false}, {t(4), 54, true},
      {t(4), 55, false},        {t(4), 57, false},       {t(4), 58, true}};
  std::vector<std::tuple<std::int64_t, int, bool>> got;
  for (const HistoryChange& c : changes) got.emplace_back(c.ms, c.lane, c.on);
  EXPECT_EQ(got, expected);
}

TEST_F(IoRecorderTest, KeepsTheLastTenMinutesOfPollsAndFindsThemByTime) {
  constexpr int kExtra = 25;
  InputLamps lamps;
  for (std::size_t i = 0; i < IoHistory::kPolls + kExtra; ++i) {
    lamps.points[i % kInputPoints] = !lamps.points[i % kInputPoints];
    i % 100 == 99 ? recorder_->RecordSilence() : recorder_->RecordAnswer(lamps);
  }
  const IoHistory& history = recorder_->History();
  ASSERT_EQ(history.Size(), IoHistory::kPolls);
  const std::int64_t oldest = kStartMs + 100 * (kExtra + 1);
  EXPECT_EQ(history[0].ms, oldest);
  EXPECT_EQ(history[history.Size() - 1].ms, oldest + 100 * (IoHistory::kPolls - 1));
  EXPECT_FALSE(history[74].Answered());  // poll 99 of the run: a gap where it was

  const struct {
    std::int64_t ms;
    std::optional<std::size_t> found;
  } finds[] = {{oldest - 1, std::nullopt},
               {oldest, 0},
               {oldest + 150, 1},
               {oldest + 100 * 5999, 5999},
               {oldest + 100 * 7000, 5999}};
  for (const auto& f : finds) EXPECT_EQ(history.Find(f.ms), f.found) << f.ms - oldest;
}

}  // namespace
}  // namespace tessera
