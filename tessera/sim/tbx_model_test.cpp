#include "tessera/sim/tbx_model.h"

#include <gtest/gtest.h>

#include "common/testing/test_support.h"
#include "tessera/link/test_bytes.h"
#include "tessera/link/requests.h"

namespace tessera::sim {
namespace {

using tessera::hex::B;
using tessera::hex::H;

TbxOptions Quiet() {
  TbxOptions options;
  options.idle_animation = false;
  return options;
}

std::string Send(TbxModel& model, const char* hex) { return H(model.Receive(B(hex)).bytes); }

TEST(TbxModelTest, AnswersEachRequest) {
  const struct {
    const char* name;
    const char* request;
    const char* answer;
  } cases[] = {
      {"status", "31 00 CE", "31 00 00 00 00 00 00 00 CE"},
      {"line sync request", "31 02 CC", "31 00 00 00 00 00 00 00 CE"},
      {"raw input, address 5", "34 00 CB", "34 00 00 00 00 00 00 00 50 00 00 00 00 7B"},
      {"filtered input", "35 07 C3", "35 00 00 00 00 00 00 00 50 00 00 00 00 7A"},
      {"outputs", "37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8", "37 00 C8"},
      {"identify", "71 0D 00 00 81", "71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27"},
  };
  for (const auto& c : cases) {
    TbxModel model(Quiet());
    const std::string answer = Send(model, c.request);
    EXPECT_EQ(answer, c.answer) << c.name;
    EXPECT_TRUE(IsValidFrame(B(answer.c_str()))) << c.name;
  }
}

TEST(TbxModelTest, OptionsShapeTheAnswers) {
  TbxOptions options = Quiet();
  options.unit_address = 9;
  options.opto_inputs = 0x0F;
  options.line_sync_error = true;
  options.comm_version = 0x10;
  options.firmware_type = 0x07;
  options.firmware_revision = 0x41;
  TbxModel model(options);
  const Frame input = model.Receive(B("34 00 CB")).bytes;
  EXPECT_EQ(UnitAddressOf(input), 9);
  EXPECT_EQ(InputDataOf(input)[7], 0x9F);
  EXPECT_TRUE(LineSyncErrorOf(model.Receive(B("31 00 CE")).bytes));
  const Frame identify = model.Receive(B("71 0D 00 00 81")).bytes;
  ASSERT_EQ(identify.size(), 15u);
  EXPECT_EQ(identify[3], 0x10);
  EXPECT_EQ(identify[4], 0x07);
  EXPECT_EQ(identify[5], 0x41);
  EXPECT_TRUE(IsValidFrame(identify));
  EXPECT_EQ(model.Counters().requests[0x34], 1);
  EXPECT_EQ(model.Counters().requests[0x71], 1);
}

TEST(TbxModelTest, BadFramesAreIgnoredAndTheStreamResyncs) {
  const struct {
    const char* name;
    const char* bytes;
    const char* answer;
    int bad_checksum;
  } cases[] = {
      {"checksum sums to FE", "31 00 CD", "", 1},
      {"checksum sums to 00", "31 00 CF", "", 1},
      {"garbage, then a request", "FF 00 12 31 00 CE", "31 00 00 00 00 00 00 00 CE", 0},
      {"half a request, then a whole one", "34 31 00 CE", "31 00 00 00 00 00 00 00 CE", 1},
      {"identify without marker", "71 0C 00 00 82", "", 0},
  };
  for (const auto& c : cases) {
    TbxModel model(Quiet());
    EXPECT_EQ(Send(model, c.bytes), c.answer) << c.name;
    EXPECT_EQ(model.Counters().bad_checksum, c.bad_checksum) << c.name;
    // Whatever came before, the next good request is answered.
    EXPECT_EQ(Send(model, "31 00 CE"), "31 00 00 00 00 00 00 00 CE") << c.name;
  }
}

TEST(TbxModelTest, SplitAndJoinedWrites) {
  TbxModel model(Quiet());
  EXPECT_EQ(Send(model, "34"), "");
  EXPECT_EQ(Send(model, "00"), "");
  EXPECT_EQ(model.PendingBytes(), 2u);
  EXPECT_EQ(Send(model, "CB"), "34 00 00 00 00 00 00 00 50 00 00 00 00 7B");
  EXPECT_EQ(model.PendingBytes(), 0u);
  // Two requests in one write get both answers, in order.
  EXPECT_EQ(Send(model, "31 00 CE 37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8"),
            "31 00 00 00 00 00 00 00 CE 37 00 C8");
  // A request split across the boundary of the previous one.
  EXPECT_EQ(Send(model, "31 00 CE 31"), "31 00 00 00 00 00 00 00 CE");
  EXPECT_EQ(Send(model, "00 CE"), "31 00 00 00 00 00 00 00 CE");
}

TEST(TbxModelTest, OutputsLoopBackToInputs) {
  TbxModel model;  // animation on: writing outputs stops it
  std::array<std::uint8_t, 16> outputs{};
  for (int k = 0; k < 7; ++k) outputs[k] = static_cast<std::uint8_t>(0x11 * (k + 1));
  outputs[6] = 0xC0;  // "Active" and "Dummy"
  outputs[10] = 0xEE;  // beyond the points: not echoed
  EXPECT_EQ(Send(model, H(OutputRequest(outputs)).c_str()), "37 00 C8");
  EXPECT_TRUE(model.OutputsWritten());
  EXPECT_EQ(model.Outputs(), outputs);
  for (int i = 0; i < 3; ++i) {
    const auto data = InputDataOf(model.Receive(InputRequest({})).bytes);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(data[k], outputs[k]) << k;
    EXPECT_EQ(data[6], 0xC0);
    EXPECT_EQ(data[7], 0x50);  // no opto lit, address 5
    EXPECT_EQ(data[8], 0x00);
  }
}

TEST(TbxModelTest, IdleAnimationWalksPointsThenOptos) {
  TbxModel model;
  std::vector<int> lit;  // index of the single lit point (0..54) or 55+opto
  for (int step = 0; step < 60; ++step) {
    const auto data = InputDataOf(model.Receive(InputRequest({})).bytes);
    int found = -1, count = 0;
    for (int bit = 0; bit < 55; ++bit) {
      if (data[bit / 8] & (1 << (bit % 8))) found = bit, ++count;
    }
    for (int opto = 0; opto < 4; ++opto) {
      if (data[7] & (1 << opto)) found = 55 + opto, ++count;
    }
    EXPECT_EQ(count, 1) << step;
    EXPECT_EQ(data[7] >> 4, 5);
    lit.push_back(found);
  }
  for (int step = 0; step < 60; ++step) EXPECT_EQ(lit[step], step % 59) << step;
  // Status and identify requests do not move it.
  const auto before = model.InputData();
  model.Receive(B("31 00 CE"));
  EXPECT_EQ(model.InputData(), before);
}

TEST(TbxModelTest, DropEveryNth) {
  TbxOptions options = Quiet();
  options.drop_every = 3;
  TbxModel model(options);
  std::string pattern;
  for (int i = 0; i < 6; ++i) pattern += Send(model, "31 00 CE").empty() ? '-' : 'A';
  EXPECT_EQ(pattern, "AA-AA-");
  EXPECT_EQ(model.Counters().dropped, 2);
  EXPECT_EQ(model.Counters().requests[0x31], 6);
}

TEST(TbxModelTest, RandomDropsRepeatWithTheSeed) {
  TbxOptions options = Quiet();
  options.drop_probability = 0.3;
  options.seed = 42;
  const auto run = [&] {
    TbxModel model(options);
    std::string pattern;
    for (int i = 0; i < 200; ++i) pattern += Send(model, "31 00 CE").empty() ? '-' : 'A';
    return pattern;
  };
  const std::string first = run();
  EXPECT_EQ(first, run());
  const auto drops = std::count(first.begin(), first.end(), '-');
  EXPECT_GT(drops, 30);
  EXPECT_LT(drops, 90);
}

TEST(TbxModelTest, CorruptEveryNth) {
  TbxOptions options = Quiet();
  options.corrupt_every = 2;
  TbxModel model(options);
  const Frame good = model.Receive(B("31 00 CE")).bytes;
  const Frame bad = model.Receive(B("31 00 CE")).bytes;
  EXPECT_TRUE(IsValidFrame(good));
  ASSERT_EQ(bad.size(), 9u);
  EXPECT_FALSE(IsValidFrame(bad));
  EXPECT_EQ(model.Counters().corrupted, 1);
}

TEST(TbxModelTest, SilentAndDelayed) {
  TbxOptions options = Quiet();
  options.silent = true;
  TbxModel silent(options);
  EXPECT_EQ(Send(silent, "31 00 CE"), "");
  EXPECT_EQ(silent.Counters().requests[0x31], 1);  // heard, not answered
  EXPECT_EQ(silent.Counters().answered, 0);

  options.silent = false;
  options.delay_ms = 250;
  TbxModel slow(options);
  const common::DeviceReply reply = slow.Receive(B("31 00 CE"));
  EXPECT_EQ(reply.delay_ms, 250);
  EXPECT_EQ(reply.bytes.size(), 9u);
}

TEST(TbxModelTest, OlderUnitIgnoresTheExtendedSet) {
  TbxOptions options = Quiet();
  options.extended = false;
  TbxModel model(options);
  EXPECT_EQ(Send(model, "71 0D 00 00 81"), "");
  EXPECT_EQ(model.PendingBytes(), 0u);  // dropped, not waited on
  EXPECT_EQ(Send(model, "31 00 CE"), "31 00 00 00 00 00 00 00 CE");
  EXPECT_EQ(model.Counters().line_sync_requests, 0);
  model.Receive(B("31 02 CC"));
  EXPECT_EQ(model.Counters().line_sync_requests, 1);
}

TEST(TbxModelTest, CommandsPlugIn) {
  TbxModel model(Quiet());
  // A command whose length depends on its second byte, as the loader's does.
  model.SetCommand(0x70, [](ByteSpan pending) -> std::size_t {
    if (pending.size() < 2) return 0;
    return pending[1] == 0x06 ? 3 : 4;
  }, [](ByteSpan request) { return std::optional<Frame>(Frame{0x70, request[1]}); });
  EXPECT_EQ(Send(model, "70"), "");
  EXPECT_EQ(Send(model, "06 89"), "70 06 89");
  EXPECT_EQ(Send(model, "70 02 FF 8E"), "70 02 8D");
  model.RemoveCommand(0x70);
  EXPECT_EQ(Send(model, "70 06 89"), "");
  EXPECT_EQ(model.Counters().garbage_bytes, 3);
}

}  // namespace
}  // namespace tessera::sim
