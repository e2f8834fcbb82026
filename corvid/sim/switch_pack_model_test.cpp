#include "corvid/sim/switch_pack_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "corvid/core/crc.h"

namespace corvid {
namespace {

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

TEST(SwitchPackModelTest, IdentificationIsByteExact) {
  SwitchPackModel model({.device_type = 3});
  Bytes body{0x01, 0x13, 0xBC, 0x03};
  const std::string text = "  Type 03 Rev 1.12";
  body.insert(body.end(), text.begin(), text.end());
  body.insert(body.end(), 60 - text.size(), ' ');
  EXPECT_EQ(model.Receive(Bytes{0x7E, 0x01, 0x13, 0x3C, 0x06, 0xD8, 0x7E}).bytes,
            FrameBody(CommandBody(1, Bytes(body.begin() + 2, body.end()))));
  model.Options().device_type = 7;  // unknown types identify as such
  EXPECT_EQ(Ask(model, {kCmdModuleId})[1], 7);
}

TEST(SwitchPackModelTest, StatusFollowsTheDisableBits) {
  for (std::uint8_t disable : {0x00, 0x3F, 0x05, 0x2A}) {
    SwitchPackModel model;               // LV, 120 V mains, 26.12 ohm load
    EXPECT_EQ(model.OutputOnBits(), 0);  // everything off until the first status
    const Bytes p = Ask(model, {kCmdStatus, 0x83, static_cast<std::uint8_t>(0x80 | disable)});
    ASSERT_EQ(p.size(), 30u);
    EXPECT_EQ(p[0], 0x81);
    EXPECT_EQ(p[1], 0x02);  // reset since last poll, first status only
    EXPECT_EQ(p[2], 0xB0);  // 1200 with bit 7 set on both parts
    EXPECT_EQ(p[3], 0x89);
    for (int i = 0; i < 6; ++i) {
      const bool on = !(disable & (1 << i));
      EXPECT_EQ(At(p, 4 + 2 * i), on ? 1200 : 0) << i;
      EXPECT_EQ(At(p, 16 + 2 * i), on ? 4594 : 0) << i;  // 120 V / 26.12 ohm
    }
    EXPECT_EQ(p[28], (~disable) & 0x3F);
    EXPECT_EQ(model.FaultLedBits(), 0x03);
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
  EXPECT_EQ(bodies[0][0], 31);
  EXPECT_EQ(bodies[0][2], 0x82);
}

TEST(SwitchPackModelTest, DiagnosticAndFramesNotForIt) {
  SwitchPackModel model({.diag_flags = 0x02, .temperature = -2, .diag_extra_counts = {7, 255}});
  Bytes bad_fcs = BuildCommandFrame(1, Bytes{kCmdModuleId});
  bad_fcs[bad_fcs.size() - 2] ^= 0xFF;
  // Bytes before the first flag are line noise (later ones would share a flag).
  for (const Bytes& wire :
       {Bytes{0x01, 0x13, 0x3C, 0x06, 0xD8}, BuildCommandFrame(2, Bytes{kCmdModuleId}), bad_fcs,
        FrameBody(CommandBody(1, Bytes{})), Bytes{0x7E, 0x01, 0x7D, 0x41, 0x7E},
        Bytes{0x7E, 0x00, 0x00, 0x7E}})
    EXPECT_TRUE(model.Receive(wire).bytes.empty());
  // Temperature FE FF, device CRC errors 1, receive errors 2 (bad escape, no code).
  EXPECT_EQ(Ask(model, {kCmdDiagnostic}), (Bytes{0xFB, 0x02, 0xFE, 0xFF, 1, 7, 255, 2}));
}

TEST(SwitchPackModelTest, FramesInPiecesAndBackToBack) {
  SwitchPackModel model;
  const Bytes id = BuildCommandFrame(1, Bytes{kCmdModuleId});
  for (std::size_t i = 0; i + 1 < id.size(); ++i)
    EXPECT_TRUE(model.Receive(Bytes{id[i]}).bytes.empty()) << i;
  EXPECT_FALSE(model.Receive(Bytes{id.back()}).bytes.empty());
  Bytes two{0x55, 0x13};  // noise, then two frames sharing a flag
  const Bytes diag = BuildCommandFrame(1, Bytes{kCmdDiagnostic});
  two.insert(two.end(), id.begin(), id.end());
  two.insert(two.end(), diag.begin() + 1, diag.end());
  const auto bodies = Send(model, two);
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(bodies[0][2], 0xBC);
  EXPECT_EQ(bodies[1][2], 0xFB);
}

TEST(SwitchPackModelTest, RepliesAreStuffedWhereverFlagBytesOccur) {
  int escaped = 0;
  for (int mains = 0; mains < 400; ++mains) {
    SwitchPackModel model(
        {.mains_volts = mains / 10.0, .temperature = static_cast<std::int16_t>(0x7E7D + mains)});
    for (const Bytes& command : {Bytes{kCmdStatus, 0x80, 0x80}, Bytes{kCmdDiagnostic}}) {
      const Bytes reply = model.Receive(BuildCommandFrame(1, command)).bytes;
      ASSERT_GE(reply.size(), 2u);
      for (std::size_t i = 1; i + 1 < reply.size(); ++i) {
        ASSERT_NE(reply[i], kFlag);
        escaped += reply[i] == kEscape;
      }
      const auto bodies = Send(model, BuildCommandFrame(1, command));
      ASSERT_EQ(bodies.size(), 1u);
      ASSERT_TRUE(CheckCrcString(bodies[0]));
    }
  }
  EXPECT_GT(escaped, 0);
}

TEST(SwitchPackModelTest, CalibrationFactorsScaleMeasurements) {
  SwitchPackOptions options{.device_type = 1, .mains_volts = 120};  // HV: voltage base 0xED09
  options.gain[6] = 0.95;                                           // the mains input reads 5 % low
  options.gain[7] = 0.9;  // output 0 current reads 10 % low
  SwitchPackModel model(options);
  Ask(model, {kCmdStatus, 0x80, 0x80});
  EXPECT_EQ(model.MainsReading(), 1140);
  std::array<std::uint16_t, 13> f{};
  for (int i = 0; i < 13; ++i) f[i] = DefaultFactor(1, i);
  EXPECT_EQ(model.Factors(), f);
  f[6] = static_cast<std::uint16_t>(std::lround(120.0 / 114.0 * 0xED09));
  f[7] = static_cast<std::uint16_t>(std::lround(0x7E80 / 0.9));
  Bytes command{kCmdSetCalibration};
  for (std::uint16_t v : f)
    command.insert(command.end(),
                   {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)});
  EXPECT_EQ(Ask(model, command), (Bytes{0xFC}));
  EXPECT_EQ(model.MainsReading(), 1200);
  EXPECT_EQ(model.FieldAmpsReading(0), model.FieldAmpsReading(1));
  // Unknown commands and wrong lengths are refused and change nothing.
  command.pop_back();
  for (const Bytes& refused : {command, Bytes{0x55}, Bytes{kCmdStatus, 0x80},
                               Bytes{kCmdModuleId, 0x00}, Bytes{kCmdStatusFlash}})
    EXPECT_EQ(Ask(model, refused), (Bytes{kRspNak}));
  EXPECT_EQ(model.Factors(), f);
  EXPECT_EQ(model.DisableBits(), 0x00);  // as the first status left them
}

TEST(SwitchPackModelTest, CalibrationSwitchesAndDeadOutputs) {
  // 48 V supply, 26.12 ohm load: an input that sees the supply reads 480 tenths of a
  // volt, a loaded output 1838 mA.
  struct Case {
    const char* name;
    bool vcal, ical;
    std::uint8_t dead, disable;
    std::uint8_t reads_volts, reads_amps;  // bit i: output i reads 480 / 1838, else 0
  };
  for (const Case& c : {
           Case{"VCAL: every input sees the supply", true, false, 0x00, 0x3F, 0x3F, 0x00},
           Case{"ICAL: a driven output loads", false, true, 0x00, 0x3E, 0x01, 0x01},
           Case{"no load", false, false, 0x00, 0x00, 0x3F, 0x00},
           Case{"output 2 dead", true, true, 0x04, 0x00, 0x3B, 0x3B},
           Case{"outputs 0 and 5 dead, VCAL", true, false, 0x21, 0x3F, 0x1E, 0x00},
       }) {
    SCOPED_TRACE(c.name);
    SwitchPackOptions options{.mains_volts = 48.0, .load_ohms = 26.12};
    options.vcal = c.vcal;
    options.ical = c.ical;
    options.dead_outputs = c.dead;
    SwitchPackModel model(options);
    const Bytes p = Ask(model, {kCmdStatus, 0x80, static_cast<std::uint8_t>(0x80 | c.disable)});
    ASSERT_EQ(p.size(), 30u);
    EXPECT_EQ(At(p, 2), 480);  // the mains input is never affected
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(At(p, 4 + 2 * i), (c.reads_volts >> i & 1) ? 480 : 0) << i;
      EXPECT_EQ(At(p, 16 + 2 * i), (c.reads_amps >> i & 1) ? 1838 : 0) << i;
    }
    EXPECT_EQ(p[28], (~c.disable) & 0x3F);  // on bits follow the disables, dead or not
  }
}

TEST(SwitchPackModelTest, FaultPatterns) {
  struct Case {
    SwitchPackOptions options;
    const char* pattern;  // per command: . answer, - none, N NAK, F foreign 0x41, X bad FCS
  };
  for (const Case& c :
       {Case{{.silent = true}, "----"}, Case{{.drop_every = 2}, ".-.-.-"},
        Case{{.nak_every = 3}, "..N..N"}, Case{{.foreign_every = 1}, "FFF"},
        Case{{.bad_fcs_every = 2}, ".X.X"},
        Case{{.drop_every = 2, .nak_every = 3, .bad_fcs_every = 5}, ".-N-X-.-N-"}}) {
    SwitchPackModel model(c.options);
    std::string seen;
    while (seen.size() < std::strlen(c.pattern)) {
      const auto bodies = Send(model, BuildCommandFrame(1, Bytes{kCmdDiagnostic}));
      const ResponseCheck check = bodies.empty() ? ResponseCheck{} : EvaluateResponse(bodies[0]);
      seen += bodies.empty()                             ? '-'
              : check.kind == ResponseKind::kOk          ? '.'
              : check.kind == ResponseKind::kNak         ? 'N'
              : check.kind == ResponseKind::kUnknownCode ? (check.code == 0x41 ? 'F' : '?')
                                                         : 'X';
    }
    EXPECT_EQ(seen, c.pattern);
  }
  SwitchPackModel slow({.delay_ms = 35});
  EXPECT_EQ(slow.Receive(BuildCommandFrame(1, Bytes{kCmdModuleId})).delay_ms, 35);
}

// One answer behind: each command gets the previous command's answer, the first
// none; the state the commands carry still takes effect at once.
TEST(SwitchPackModelTest, AnswerPreviousIsOneAnswerBehind) {
  SwitchPackModel model({.answer_previous = true});
  const struct {
    Bytes command;
    int answer_code;  // -1: no answer
  } steps[] = {{{kCmdModuleId}, -1},
               {{kCmdDiagnostic}, kRspModuleId},
               {{kCmdStatus, 0x80, 0x80 | 0x3E}, kRspDiagnostic},
               {{kCmdStatus, 0x80, 0x80}, kRspStatus},
               {{kCmdModuleId}, kRspStatus}};
  for (const auto& step : steps) {
    const auto bodies = Send(model, BuildCommandFrame(1, step.command));
    if (step.answer_code < 0) {
      EXPECT_TRUE(bodies.empty());
      continue;
    }
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_TRUE(CheckCrcString(bodies[0]));
    EXPECT_EQ(bodies[0][2], step.answer_code);
  }
  EXPECT_EQ(model.DisableBits(), 0x00);  // the last status command's bits
  // Switched off again, answers are the device's own at once.
  model.Options().answer_previous = false;
  const auto bodies = Send(model, BuildCommandFrame(1, Bytes{kCmdDiagnostic}));
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(bodies[0][2], kRspDiagnostic);
}

}  // namespace
}  // namespace corvid
