#include "tessera/sim/tbx_logs.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"
#include "tessera/core/event_log.h"
#include "tessera/core/transition_log.h"

namespace tessera::sim {
namespace {

using common::testing::B;
using common::testing::H;

class TbxLogsTest : public ::testing::Test {
 protected:
  common::Bytes Send(common::ByteView request) { return model_.Receive(request).bytes; }

  TbxModel model_{{.idle_animation = false}};
  std::shared_ptr<TbxEventLog> log_ = InstallEventLog(model_);
  std::shared_ptr<TbxTransitions> buffer_ = InstallTransitions(model_);
};

TEST_F(TbxLogsTest, LongLogsUseTheWideCount) {
  // Records, count bytes, decodable. 32768 records are sent as the unit would and the
  // host refuses the count; only 65535 fit the count.
  const std::tuple<std::size_t, const char*, bool> cases[] = {{300, "2C 01", true},
                                                              {32767, "FF 7F", true},
                                                              {32768, "00 80", false},
                                                              {70000, "FF FF", false}};
  for (const auto& [records, count_bytes, decodable] : cases) {
    log_->records.assign(records, EventRecord{2, 0x85, 0x12, 0x1234});
    const common::Bytes answer = Send(logs::ReadEventsRequest());
    // The host's length rule reads exactly the bytes the unit sent.
    EXPECT_EQ(
        std::tuple(IsValidFrame(answer), H(common::ByteView(answer).subspan(7, 2)),
                   logs::kReadEventsResponse.count + logs::kReadEventsResponse.BodyLength(answer),
                   logs::DecodeEventLog(answer).has_value()),
        std::tuple(true, count_bytes, static_cast<int>(answer.size()), decodable))
        << records;
  }
}

// The statuses the window's runs rarely meet: a block asked again (E), out of sequence
// (G), a full buffer (F).
TEST_F(TbxLogsTest, TransitionBlockStatuses) {
  buffer_->items_per_block = 2;
  buffer_->mc = 0x1240;
  buffer_->Add(TransitionItem::Input(5, true, 0x1234));
  buffer_->Add(TransitionItem::Input(5, false, 0x1234));
  buffer_->Add(TransitionItem::Rollover());
  // Block 1 leaves one item waiting (C); asked again, the same items (E).
  EXPECT_EQ(H(Send(logs::PollTransitionRequest(1))),
            "76 0D 00 23 23 14 00 01 02 85 12 34 05 12 34 08 00 00 12 40 AF");
  EXPECT_EQ(H(Send(logs::PollTransitionRequest(1))),
            "76 0D 00 23 23 14 00 01 02 85 12 34 05 12 34 0A 00 00 12 40 AD");
  EXPECT_EQ(logs::DecodeTransitionBlock(Send(logs::PollTransitionRequest(5))),
            "Block #5 polled at MC=0x00001240 Status = G (block request out of sequence) \r\n"
            "  Item #1: MC Rollover\r\n");
}

TEST_F(TbxLogsTest, FullBufferReportsLostTransitions) {
  buffer_->capacity = 2;
  buffer_->items_per_block = 1;
  buffer_->mc = 0x1240;
  for (int input : {1, 2, 3}) buffer_->Add(TransitionItem::Input(input, true, 0x0100));
  EXPECT_EQ(logs::DecodeTransitionBlock(Send(logs::PollTransitionRequest(255))),
            "Block #255 polled at MC=0x00001240 Status = C (more blocks available) F (trans "
            "buffer limit exceeded) \r\n"
            "  Item #1: Input #1 On at MC'=0x0100\r\n");
  // 255 is followed by 0.
  EXPECT_EQ(logs::DecodeTransitionBlock(Send(logs::PollTransitionRequest(0))),
            "Block #0 polled at MC=0x00001240\r\n  Item #1: Input #2 On at MC'=0x0100\r\n");
}

TEST_F(TbxLogsTest, SetupFillsTheLogsItNames) {
  TbxLogSetup setup;
  setup.transitions = 2000;  // more than the buffer held
  setup.block_items = 255;
  buffer_->Add(TransitionItem::Rollover());
  setup.Apply(*log_, *buffer_);
  // Replaced, none lost; the event log, not named, kept.
  EXPECT_EQ(std::tuple(buffer_->pending.size(), buffer_->lost, buffer_->items_per_block,
                       log_->records.size()),
            std::tuple(2000u, false, 255, DemoEventRecords().size()));
  setup = {};
  setup.event_records = 0;
  setup.Apply(*log_, *buffer_);
  EXPECT_EQ(std::tuple(log_->records.size(), buffer_->pending.size()), std::tuple(0u, 2000u));
}

}  // namespace
}  // namespace tessera::sim
