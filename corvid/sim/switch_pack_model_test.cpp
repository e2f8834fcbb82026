#include "corvid/sim/switch_pack_model.h"

#include <gtest/gtest.h>

#include <cmath>

#include "corvid/link/crc.h"

namespace corvid {
namespace {

// Sends one command frame and returns the unstuffed reply bodies.
std::vector<Bytes> Send(SwitchPackModel& model, const Bytes& wire) {
  const common::DeviceReply reply = model.Receive(wire);
  std::vector<Bytes> bodies;
  HdlcReceiver rx;
  for (std::uint8_t b : reply.bytes) {
    if (rx.Take(b)) {
      bodies.push_back(rx.RxFrame());
      rx.Reset();
    }
  }
  return bodies;
}

// The payload of the single valid reply to a command (code + data) at a slot.
Bytes Ask(SwitchPackModel& model, const Bytes& command, std::uint8_t slot = 1) {
  const auto bodies = Send(model, BuildCommandFrame(slot, command));
  if (bodies.size() != 1) return {};
  const ResponseCheck check = EvaluateResponse(bodies[0]);
  if (check.kind == ResponseKind::kNak) return {kRspNak};
  return check.payload;
}

int Decode14(const Bytes& p, int offset) { return (p[offset + 1] & 0x7F) * 128 + (p[offset] & 0x7F); }

TEST(SwitchPackModelTest, IdentificationIsByteExact) {
  SwitchPackOptions options;
  options.device_type = 3;
  SwitchPackModel model(options);
  const common::DeviceReply reply = model.Receive(Bytes{0x7E, 0x01, 0x13, 0x3C, 0x06, 0xD8, 0x7E});
  Bytes expected{0x7E, 0x01, 0x13, 0xBC, 0x03};
  const std::string text = "  Type 03 Rev 1.12";
  expected.insert(expected.end(), text.begin(), text.end());
  expected.insert(expected.end(), 60 - text.size(), ' ');
  const Crc crc = CalculateCRCString(Bytes(expected.begin() + 1, expected.end()));
  expected.push_back(crc.Crc_ls);
  expected.push_back(crc.Crc_ms);
  expected.push_back(0x7E);
  EXPECT_EQ(reply.bytes, expected);
  EXPECT_EQ(reply.delay_ms, 0);
}

TEST(SwitchPackModelTest, StatusLayoutWithEverythingEnabled) {
  SwitchPackModel model;  // LV, 120 V mains, 26.12 ohm load
  const Bytes p = Ask(model, {kCmdStatus, 0x80, 0x80});
  ASSERT_EQ(p.size(), 30u);
  EXPECT_EQ(p[0], 0x81);
  EXPECT_EQ(p[1], 0x02);  // reset since last poll, first status only
  EXPECT_EQ(p[2], 0xB0);  // 1200 = 0x09 * 128 + 0x30, bit 7 set on both parts
  EXPECT_EQ(p[3], 0x89);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Decode14(p, 4 + 2 * i), 1200) << i;
    EXPECT_EQ(Decode14(p, 16 + 2 * i), 4594) << i;  // 120 V / 26.12 ohm
  }
  EXPECT_EQ(p[28], 0x3F);
  EXPECT_EQ(p[29], 0x00);
  EXPECT_EQ(Ask(model, {kCmdStatus, 0x80, 0x80})[1], 0x00);
}

TEST(SwitchPackModelTest, OutputsFollowTheDisableBits) {
  for (std::uint8_t disable : {0x00, 0x3F, 0x05, 0x2A, 0x10}) {
    SCOPED_TRACE(disable);
    SwitchPackModel model;
    const Bytes p = Ask(model, {kCmdStatus, 0x83, static_cast<std::uint8_t>(0x80 | disable)});
    ASSERT_EQ(p.size(), 30u);
    EXPECT_EQ(p[28], (~disable) & 0x3F);
    EXPECT_EQ(model.DisableBits(), disable);
    EXPECT_EQ(model.FaultLedBits(), 0x03);
    for (int i = 0; i < 6; ++i) {
      const bool on = !(disable & (1 << i));
      EXPECT_EQ(Decode14(p, 4 + 2 * i), on ? 1200 : 0) << i;
      EXPECT_EQ(Decode14(p, 16 + 2 * i), on ? 4594 : 0) << i;
    }
    EXPECT_EQ(Decode14(p, 2), 1200);  // mains does not depend on the outputs
  }
}

TEST(SwitchPackModelTest, FlashUnitStatusTakesOnlyTheDisableByte) {
  SwitchPackOptions options;
  options.slot = 30;
  SwitchPackModel model(options);
  const Bytes p = Ask(model, {kCmdStatusFlash, 0x80 | 0x01}, 30);
  ASSERT_EQ(p.size(), 30u);
  EXPECT_EQ(p[0], 0x82);
  EXPECT_EQ(p[28], 0x3E);
}

TEST(SwitchPackModelTest, OutputsDisabledUntilFirstStatus) {
  SwitchPackModel model;
  EXPECT_EQ(model.OutputOnBits(), 0);
  EXPECT_EQ(model.FieldVoltsReading(0), 0);
  EXPECT_EQ(model.MainsReading(), 1200);
}

TEST(SwitchPackModelTest, DiagnosticCarriesSignedTemperatureAndCounters) {
  SwitchPackOptions options;
  options.temperature = -2;
  options.diag_flags = 0x02;
  options.diag_extra_counts = {7, 255};
  SwitchPackModel model(options);
  Bytes bad = BuildCommandFrame(1, Bytes{kCmdStatus, 0x80, 0x80});
  bad[4] ^= 0x01;
  EXPECT_TRUE(model.Receive(bad).bytes.empty());
  EXPECT_TRUE(model.Receive(Bytes{0x7E, 0x01, 0x7D, 0x41, 0x7E}).bytes.empty());  // bad escape
  EXPECT_EQ(Ask(model, {kCmdDiagnostic}), (Bytes{0xFB, 0x02, 0xFE, 0xFF, 1, 7, 255, 1}));
}

TEST(SwitchPackModelTest, IgnoresFramesNotForIt) {
  SwitchPackModel model;
  struct Case {
    const char* name;
    Bytes wire;
  };
  Bytes bad_fcs = BuildCommandFrame(1, Bytes{kCmdModuleId});
  bad_fcs[bad_fcs.size() - 2] ^= 0xFF;
  Bytes wrong_control;
  {
    Bytes body{0x01, 0x03, 0x3C};
    const Crc crc = CalculateCRCString(body);
    body.push_back(crc.Crc_ls);
    body.push_back(crc.Crc_ms);
    wrong_control = FrameBody(body);
  }
  // Bytes before the first flag are line noise (later ones would share a flag).
  for (const Case& c : {Case{"NoFlags", Bytes{0x01, 0x13, 0x3C, 0x06, 0xD8}},
                        Case{"OtherSlot", BuildCommandFrame(2, Bytes{kCmdModuleId})},
                        Case{"BadFcs", bad_fcs}, Case{"WrongControl", wrong_control},
                        Case{"FcsOnly", Bytes{0x7E, 0x00, 0x00, 0x7E}}}) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(model.Receive(c.wire).bytes.empty());
  }
  ASSERT_EQ(model.Received().size(), 4u);
  EXPECT_FALSE(model.Received()[0].for_me);
  EXPECT_TRUE(model.Received()[0].fcs_ok);
  EXPECT_FALSE(model.Received()[1].fcs_ok);
  EXPECT_FALSE(model.Received()[2].for_me);
  EXPECT_EQ(model.CrcErrors(), 1);
  // Still answers its own frames afterwards.
  EXPECT_EQ(Ask(model, {kCmdModuleId}).at(0), 0xBC);
}

TEST(SwitchPackModelTest, FramesInPiecesAndBackToBack) {
  SwitchPackModel model;
  const Bytes id = BuildCommandFrame(1, Bytes{kCmdModuleId});
  for (std::size_t i = 0; i + 1 < id.size(); ++i) {
    EXPECT_TRUE(model.Receive(Bytes{id[i]}).bytes.empty()) << i;
  }
  EXPECT_FALSE(model.Receive(Bytes{id.back()}).bytes.empty());
  // Noise, then two frames sharing a flag: two answers.
  Bytes two{0x55, 0x13};
  const Bytes diag = BuildCommandFrame(1, Bytes{kCmdDiagnostic});
  two.insert(two.end(), id.begin(), id.end());
  two.insert(two.end(), diag.begin() + 1, diag.end());
  const auto bodies = Send(model, two);
  ASSERT_EQ(bodies.size(), 2u);
  EXPECT_EQ(bodies[0][2], 0xBC);
  EXPECT_EQ(bodies[1][2], 0xFB);
}

TEST(SwitchPackModelTest, RepliesAreStuffedWhereverFlagBytesOccur) {
  // Sweep measurements so that data and FCS bytes hit 0x7E and 0x7D.
  int escaped = 0;
  for (int mains = 0; mains < 400; ++mains) {
    SwitchPackOptions options;
    options.mains_volts = mains / 10.0;
    options.temperature = static_cast<std::int16_t>(0x7E7D + mains);
    SwitchPackModel model(options);
    for (const Bytes& command : {Bytes{kCmdStatus, 0x80, 0x80}, Bytes{kCmdDiagnostic}}) {
      const common::DeviceReply reply = model.Receive(BuildCommandFrame(1, command));
      ASSERT_GE(reply.bytes.size(), 2u);
      for (std::size_t i = 1; i + 1 < reply.bytes.size(); ++i) {
        ASSERT_NE(reply.bytes[i], kFlag);
        if (reply.bytes[i] == kEscape) ++escaped;
      }
      const auto bodies = Send(model, BuildCommandFrame(1, command));
      ASSERT_EQ(bodies.size(), 1u);
      ASSERT_TRUE(CheckCrcString(bodies[0]));
    }
  }
  EXPECT_GT(escaped, 0);
}

TEST(SwitchPackModelTest, CalibrationFactorsScaleMeasurements) {
  SwitchPackOptions options;
  options.device_type = 1;  // HV: voltage base 0xED09
  options.mains_volts = 120;
  options.gain[6] = 0.95;   // the mains input reads 5 % low
  options.gain[7] = 0.9;    // output 0 current reads 10 % low
  SwitchPackModel model(options);
  EXPECT_EQ(model.Factors()[0], 0xED09);
  EXPECT_EQ(model.Factors()[12], 0x7E80);
  Ask(model, {kCmdStatus, 0x80, 0x80});
  EXPECT_EQ(model.MainsReading(), 1140);
  // New mains factor = 120 / 114 * base; the rest unchanged.
  std::array<std::uint16_t, 13> f{};
  for (int i = 0; i < 13; ++i) f[i] = DefaultFactor(1, i);
  f[6] = static_cast<std::uint16_t>(std::lround(120.0 / 114.0 * 0xED09));
  f[7] = static_cast<std::uint16_t>(std::lround(0x7E80 / 0.9));
  Bytes command{kCmdSetCalibration};
  for (std::uint16_t v : f) {
    command.push_back(static_cast<std::uint8_t>(v & 0xFF));
    command.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  EXPECT_EQ(Ask(model, command), (Bytes{0xFC}));
  EXPECT_EQ(model.Factors(), f);
  EXPECT_EQ(model.MainsReading(), 1200);
  EXPECT_EQ(model.FieldAmpsReading(0), model.FieldAmpsReading(1));
  // Wrong length is refused and changes nothing.
  command.pop_back();
  EXPECT_EQ(Ask(model, command), (Bytes{kRspNak}));
  EXPECT_EQ(model.Factors(), f);
}

TEST(SwitchPackModelTest, UnknownCommandOrWrongLengthIsNaked) {
  SwitchPackModel model;
  for (const Bytes& command : {Bytes{0x55}, Bytes{kCmdStatus, 0x80}, Bytes{kCmdModuleId, 0x00},
                               Bytes{kCmdStatusFlash}}) {
    EXPECT_EQ(Ask(model, command), (Bytes{kRspNak}));
  }
  EXPECT_EQ(model.DisableBits(), 0x3F);
}

TEST(SwitchPackModelTest, UnknownDeviceTypeIdentifiesAsSuch) {
  SwitchPackOptions options;
  options.device_type = 7;
  SwitchPackModel model(options);
  const Bytes p = Ask(model, {kCmdModuleId});
  ASSERT_EQ(p.size(), 62u);
  EXPECT_EQ(p[1], 7);
  EXPECT_EQ(std::string(p.begin() + 2, p.begin() + 18), "  Type 07 Rev 1.");
}

struct FaultCase {
  const char* name;
  void (*setup)(SwitchPackOptions&);
  const char* pattern;  // per command: . answer, - none, N nak, F foreign, X bad FCS
};

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, DeterministicPattern) {
  SwitchPackOptions options;
  GetParam().setup(options);
  SwitchPackModel model(options);
  std::string seen;
  for (std::size_t i = 0; i < std::string(GetParam().pattern).size(); ++i) {
    const auto bodies = Send(model, BuildCommandFrame(1, Bytes{kCmdDiagnostic}));
    if (bodies.empty()) {
      seen += '-';
      continue;
    }
    const ResponseCheck check = EvaluateResponse(bodies[0]);
    switch (check.kind) {
      case ResponseKind::kOk: seen += '.'; break;
      case ResponseKind::kNak: seen += 'N'; break;
      case ResponseKind::kUnknownCode: seen += check.code == 0x41 ? 'F' : '?'; break;
      default: seen += 'X'; break;
    }
  }
  EXPECT_EQ(seen, GetParam().pattern);
  EXPECT_EQ(model.Received().size(), seen.size());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        FaultCase{"None", [](SwitchPackOptions&) {}, "......"},
        FaultCase{"Silent", [](SwitchPackOptions& o) { o.silent = true; }, "----"},
        FaultCase{"DropEvery2", [](SwitchPackOptions& o) { o.drop_every = 2; }, ".-.-.-"},
        FaultCase{"NakEvery3", [](SwitchPackOptions& o) { o.nak_every = 3; }, "..N..N"},
        FaultCase{"Foreign", [](SwitchPackOptions& o) { o.foreign_every = 1; }, "FFF"},
        FaultCase{"BadFcsEvery2", [](SwitchPackOptions& o) { o.bad_fcs_every = 2; }, ".X.X"},
        FaultCase{"DropBeatsNak",
                  [](SwitchPackOptions& o) {
                    o.drop_every = 2;
                    o.nak_every = 3;
                    o.bad_fcs_every = 5;
                  },
                  ".-N-X-.-N-"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SwitchPackModelTest, DelayIsReportedWithTheReply) {
  SwitchPackOptions options;
  options.delay_ms = 35;
  SwitchPackModel model(options);
  EXPECT_EQ(model.Receive(BuildCommandFrame(1, Bytes{kCmdModuleId})).delay_ms, 35);
}

}  // namespace
}  // namespace corvid
