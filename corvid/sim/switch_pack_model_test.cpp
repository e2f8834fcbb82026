#include "corvid/sim/switch_pack_model.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"
#include "corvid/core/crc.h"

namespace corvid {
namespace {

using common::testing::B;

// Unstuffed bodies of the frames the model sends back for the wire bytes.
std::vector<Bytes> Send(SwitchPackModel& model, const Bytes& wire) {
  std::vector<Bytes> bodies;
  HdlcReceiver rx;
  for (std::uint8_t b : model.Receive(wire).bytes) {
    if (rx.Take(b)) {
      bodies.push_back(rx.Frame());
      rx.Reset();
    }
  }
  return bodies;
}

// Payload of the single reply to a command (code + data) at a slot; {0x80} for a NAK.
Bytes Ask(SwitchPackModel& model, const Bytes& command, std::uint8_t slot = 1) {
  const auto bodies = Send(model, BuildCommandFrame(slot, command));
  if (bodies.size() != 1) return {};
  const ResponseCheck check = EvaluateResponse(bodies[0]);
  return check.kind == ResponseKind::kNak ? Bytes{kRspNak} : check.payload;
}

int At(const Bytes& p, int offset) { return (p[offset + 1] & 0x7F) * 128 + (p[offset] & 0x7F); }

// 48 V supply, 26.12 ohm load: an input that sees the supply reads 480 tenths of a
// volt, a loaded output 1838 mA.
TEST(SwitchPackModelTest, StatusFollowsDisablesSwitchesAndDeadOutputs) {
  // VCAL, ICAL, dead outputs, disables; bit i: output i reads 480 / 1838, else 0.
  using Case = std::tuple<bool, bool, std::uint8_t, std::uint8_t, int, int>;
  // All on, some disabled, VCAL (every input sees the supply), no load, output 2 dead.
  for (const auto& [vcal, ical, dead, disable, reads_volts, reads_amps] :
       {Case{false, true, 0x00, 0x00, 0x3F, 0x3F}, Case{false, true, 0x00, 0x2A, 0x15, 0x15},
        Case{true, false, 0x00, 0x3F, 0x3F, 0x00}, Case{false, false, 0x00, 0x00, 0x3F, 0x00},
        Case{true, true, 0x04, 0x00, 0x3B, 0x3B}}) {
    SwitchPackModel model({.mains_volts = 48.0, .load_ohms = 26.12, .dead_outputs = dead});
    std::tie(model.Options().vcal, model.Options().ical) = std::tie(vcal, ical);
    const Bytes p = Ask(model, {kCmdStatus, 0x83, static_cast<std::uint8_t>(0x80 | disable)});
    ASSERT_EQ(p.size(), 30u);
    // Reset since last poll (first status only), the mains, on bits that follow the
    // disables (dead or not), the fault indicators asked for.
    EXPECT_EQ(std::tuple(p[1], p[2], p[3], p[28], model.FaultLedBits()),
              std::tuple(0x02, 0xE0, 0x83, (~disable) & 0x3F, 0x03));
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(At(p, 4 + 2 * i), (reads_volts >> i & 1) ? 480 : 0) << i;
      EXPECT_EQ(At(p, 16 + 2 * i), (reads_amps >> i & 1) ? 1838 : 0) << i;
    }
    EXPECT_EQ(Ask(model, {kCmdStatus, 0x80, 0x80})[1], 0x00);
  }
}

TEST(SwitchPackModelTest, FlashUnitAndAnySlot) {
  SwitchPackModel model({.slot = 30});
  EXPECT_EQ(Ask(model, {kCmdStatusFlash, 0x81}, 30).at(28), 0x3E);
  EXPECT_TRUE(Ask(model, {kCmdStatusFlash, 0x81}, 31).empty());
  model.Options().slot = 0;  // /sim: whatever slot the window selects
  const auto bodies = Send(model, BuildCommandFrame(31, Bytes{kCmdStatusFlash, 0x80}));
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(std::pair(bodies[0][0], bodies[0][2]), std::pair(std::uint8_t{31}, kRspStatusFlash));
}

TEST(SwitchPackModelTest, DiagnosticFramesNotForItAndRefusedCommands) {
  SwitchPackModel model({.diag_flags = 0x02, .temperature = -2, .diag_extra_counts = {7, 255}});
  // Bytes before the first flag are line noise (later ones would share a flag).
  for (const Bytes& wire :
       {B("01 13 3C 06 D8"), BuildCommandFrame(2, Bytes{kCmdModuleId}), B("7E 01 13 3C 06 27 7E"),
        FrameBody(CommandBody(1, Bytes{})), B("7E 01 7D 41 7E"), B("7E 00 00 7E")})
    EXPECT_TRUE(model.Receive(wire).bytes.empty());
  // Temperature FE FF, device CRC errors 1, receive errors 2 (bad escape, no code).
  EXPECT_EQ(Ask(model, {kCmdDiagnostic}), (Bytes{0xFB, 0x02, 0xFE, 0xFF, 1, 7, 255, 2}));
  // Unknown commands and wrong lengths are refused and change nothing.
  const auto factors = model.Factors();
  for (const Bytes& refused : {Bytes(26, kCmdSetCalibration), Bytes{0x55}, Bytes{kCmdStatus, 0x80},
                               Bytes{kCmdModuleId, 0x00}, Bytes{kCmdStatusFlash}})
    EXPECT_EQ(Ask(model, refused), (Bytes{kRspNak}));
  EXPECT_EQ(model.Factors(), factors);
  // A frame arriving a byte at a time is answered once it is whole.
  const Bytes id = BuildCommandFrame(1, Bytes{kCmdModuleId});
  for (std::size_t i = 0; i + 1 < id.size(); ++i)
    EXPECT_TRUE(model.Receive(Bytes{id[i]}).bytes.empty()) << i;
  EXPECT_FALSE(model.Receive(Bytes{id.back()}).bytes.empty());
}

// Each fault counts the commands on its own (every fault alone is the link test's).
TEST(SwitchPackModelTest, FaultPatternsCountTheirOwnCommands) {
  SwitchPackModel model({.drop_every = 2, .nak_every = 3, .bad_fcs_every = 5});
  std::string seen;  // per command: . answer, - none, N NAK, X bad FCS
  while (seen.size() < 10) {
    const auto bodies = Send(model, BuildCommandFrame(1, Bytes{kCmdDiagnostic}));
    const ResponseKind kind = bodies.empty() ? ResponseKind::kOk : EvaluateResponse(bodies[0]).kind;
    seen += bodies.empty()                    ? '-'
            : kind == ResponseKind::kOk       ? '.'
            : kind == ResponseKind::kNak      ? 'N'
            : kind == ResponseKind::kCrcError ? 'X'
                                              : '?';
  }
  EXPECT_EQ(seen, ".-N-X-.-N-");
}

}  // namespace
}  // namespace corvid
