#include "tessera/sim/tbx_tables.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/hex.h"
#include "tessera/core/complex_outputs.h"

namespace tessera::sim {
namespace {

using common::testing::B;
using common::testing::H;

class TbxTablesTest : public ::testing::Test {
 protected:
  std::string Send(common::ByteView request) { return H(model_.Receive(request).bytes); }

  TbxModel model_{{.idle_animation = false}};
  std::shared_ptr<TbxTables> tables_ = InstallTables(model_);
};

// Table loads in both directions are driven by the dialog and log routine tests; here:
// what those never send, and the frame-A answers the unit can be set to give.
TEST_F(TbxTablesTest, RequestsWithoutMarkerOrChecksumGoUnanswered) {
  for (const char* request : {"7D 0C 00 76", "7D 0D 00 74",
                              "78 0C 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7B"}) {
    EXPECT_EQ(Send(B(request)), "") << request;
  }
  EXPECT_EQ(std::tuple(model_.Counters().bad_checksum, tables_->filter_reads,
                       tables_->tracking.frame_order.size()),
            std::tuple(1, 0, 0u));
}

TEST(TbxTablesLoadTest, FrameBNeverFollowsARefusedFrameA) {
  std::array<config::ComplexFields, config::kComplexOutputs> outputs{};
  outputs[1] = {.output_position = 55, .primary_text = "300"};
  const config::TableFrames frames =
      config::ComplexFrames(*config::BuildComplexData(outputs).table);
  using enum FrameAAnswer;
  using enum config::LoadOutcome;
  // The unit's frame-A answer, the outcome, the frames taken, the table's start.
  const std::tuple<FrameAAnswer, config::LoadOutcome, std::vector<std::uint8_t>, const char*>
      cases[] = {{kNormal, kSent, {0x00, 0x08}, "FF 00 00 00 00 00 00 36 01 2C 00 00 00 00"},
                 {kSilent, kFrameARefused, {0x00}, ""},
                 {kNoMarker, kFrameARefused, {0x00}, ""}};
  for (const auto& [frame_a_answer, expected, taken, table_start] : cases) {
    TbxModel model({.idle_animation = false});
    const std::shared_ptr<TbxTables> tables = InstallTables(model);
    tables->frame_a_answer = frame_a_answer;
    std::vector<std::string> answers;
    const config::LoadOutcome outcome = config::LoadTable(frames, [&](common::ByteView request) {
      common::Bytes answer = model.Receive(request).bytes;
      answers.push_back(H(answer));
      return IsValidFrame(answer) ? answer : common::Bytes{};
    });
    const std::vector<std::uint8_t> table = tables->complex.Table();
    const std::vector<std::string> normal(2, "79 0D 00 23 23 14 00 00 00 00 00 00 1F");
    EXPECT_EQ(
        std::tuple(outcome, tables->complex.frame_order,
                   H(common::ByteView(table).first(std::min<std::size_t>(table.size(), 14))),
                   answers),
        std::tuple(expected, taken, table_start, frame_a_answer == kNormal ? normal : answers));
  }
}

}  // namespace
}  // namespace tessera::sim
