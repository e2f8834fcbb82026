#include "tessera/sim/tbx_tables.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/hex.h"
#include "tessera/core/complex_outputs.h"
#include "tessera/core/filters.h"
#include "tessera/core/tracking.h"

namespace tessera::sim {
namespace {

using common::testing::B;
using common::testing::H;

std::string Repeat(const char* byte, int times) {
  std::string out = byte;
  for (int i = 1; i < times; ++i) out += std::string(" ") + byte;
  return out;
}

class TbxTablesTest : public ::testing::Test {
 protected:
  std::string Send(common::ByteView request) { return H(model_.Receive(request).bytes); }

  TbxModel model_{{.idle_animation = false}};
  std::shared_ptr<TbxTables> tables_ = InstallTables(model_);
};

TEST_F(TbxTablesTest, FilterTable) {
  // A new unit filters with 5 and records nothing.
  EXPECT_EQ(Send(B("7D 0D 00 75")),
            "7D 0D 00 23 23 14 00 00 " + Repeat("05", 120) + " " + Repeat("00", 8) + " C3");

  config::FilterTable table;
  table.leading.fill(5);
  table.falling.fill(5);
  table.leading[5] = 12;
  table.falling[5] = 250;
  table.record[5] = true;
  table.record[59] = true;
  EXPECT_EQ(Send(config::SendFiltersRequest(config::FilterDataOf(table))),
            "73 0D 00 23 23 14 00 00 25");
  EXPECT_EQ(tables_->leading[5], 12);
  EXPECT_EQ(tables_->falling[5], 250);
  EXPECT_TRUE(tables_->record[5]);
  EXPECT_FALSE(tables_->record[4]);

  const common::Bytes answer = model_.Receive(config::GetFiltersRequest()).bytes;
  ASSERT_EQ(answer.size(), 137u);
  EXPECT_TRUE(IsValidFrame(answer));
  EXPECT_EQ(answer[13], 0x0C);
  EXPECT_EQ(answer[73], 0xFA);
  EXPECT_EQ(H(common::ByteView(answer).subspan(128, 8)), "20 00 00 00 00 00 00 08");
  EXPECT_EQ(config::ParseGetFiltersResponse(answer), table);
  EXPECT_EQ(tables_->filter_reads, 2);
  EXPECT_EQ(tables_->filter_writes, 1);
}

TEST_F(TbxTablesTest, RequestsWithoutMarkerOrChecksumGoUnanswered) {
  for (const char* request : {"7D 0C 00 76", "7D 0D 00 74",
                              "78 0C 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7B"}) {
    EXPECT_EQ(Send(B(request)), "") << request;
  }
  EXPECT_EQ(model_.Counters().bad_checksum, 1);
  EXPECT_EQ(tables_->filter_reads, 0);
  EXPECT_TRUE(tables_->tracking.frame_order.empty());
}

TEST_F(TbxTablesTest, TrackingTable) {
  std::array<config::TrackFields, config::kTracks> tracks{};
  tracks[0] = {.output_position = 55, .input_position = 59, .inverted = true};
  const config::TableFrames frames = config::TrackingFrames(*config::BuildTrackData(tracks).table);
  EXPECT_EQ(Send(frames.frame_a), "78 0D 00 23 23 14 00 00 00 00 00 00 20");
  EXPECT_EQ(Send(frames.frame_b), "78 0D 00 23 23 14 00 00 00 00 00 00 20");
  EXPECT_EQ(H(tables_->tracking.Table()), "B5 BB 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00");
  EXPECT_EQ(H(tables_->tracking.blocks.at(0x00)), Repeat("00", 16));
}

TEST(TbxTablesLoadTest, FrameBNeverFollowsARefusedFrameA) {
  std::array<config::ComplexFields, config::kComplexOutputs> outputs{};
  outputs[1] = {.output_position = 55, .primary_text = "300"};
  const config::TableFrames frames =
      config::ComplexFrames(*config::BuildComplexData(outputs).table);
  const struct {
    FrameAAnswer answer;
    config::LoadOutcome outcome;
    std::vector<std::uint8_t> frames;
    const char* table_start;
  } cases[] = {
      {FrameAAnswer::kNormal,
       config::LoadOutcome::kSent,
       {0x00, 0x08},
       "FF 00 00 00 00 00 00 36 01 2C 00 00 00 00"},
      {FrameAAnswer::kSilent, config::LoadOutcome::kFrameARefused, {0x00}, ""},
      {FrameAAnswer::kNoMarker, config::LoadOutcome::kFrameARefused, {0x00}, ""},
  };
  for (const auto& c : cases) {
    TbxModel model({.idle_animation = false});
    const std::shared_ptr<TbxTables> tables = InstallTables(model);
    tables->frame_a_answer = c.answer;
    std::vector<std::string> answers;
    const config::LoadOutcome outcome = config::LoadTable(frames, [&](common::ByteView request) {
      common::Bytes answer = model.Receive(request).bytes;
      answers.push_back(H(answer));
      return IsValidFrame(answer) ? answer : common::Bytes{};
    });
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(tables->complex.frame_order, c.frames);
    const std::vector<std::uint8_t> table = tables->complex.Table();
    EXPECT_EQ(H(common::ByteView(table).first(std::min<std::size_t>(table.size(), 14))),
              c.table_start);
    if (c.answer == FrameAAnswer::kNormal) {
      EXPECT_EQ(answers, std::vector<std::string>(2, "79 0D 00 23 23 14 00 00 00 00 00 00 1F"));
    }
  }
}

}  // namespace
}  // namespace tessera::sim
