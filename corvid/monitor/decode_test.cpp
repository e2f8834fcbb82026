#include "corvid/monitor/decode.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace corvid::monitor {
namespace {

using Payload = std::vector<std::uint8_t>;

TEST(Decode14Test, SevenBitsPerByteLowFirst) {
  struct Case {
    std::uint8_t low, high;
    int value;
  };
  for (const Case& c : std::vector<Case>{{0xD9, 0x89, 1241},  // bit 7 of both ignored
                                         {0x59, 0x09, 1241},
                                         {0x00, 0x00, 0},
                                         {0x80, 0x80, 0},
                                         {0x7F, 0x00, 127},
                                         {0x00, 0x01, 128},
                                         {0xFF, 0xFF, 16383}}) {
    EXPECT_EQ(Decode14(c.low, c.high), c.value) << int(c.low) << " " << int(c.high);
  }
}

TEST(FormatTest, TenthsAndCounters) {
  EXPECT_EQ(FormatTenths(0), "0.0");
  EXPECT_EQ(FormatTenths(5), "0.5");
  EXPECT_EQ(FormatTenths(1203), "120.3");
  EXPECT_EQ(FormatTenths(1241), "124.1");
  EXPECT_EQ(FormatTenths(16383), "1638.3");
  EXPECT_EQ(FormatTenths(-25), "-2.5");
  EXPECT_EQ(FormatCounter(0), "0");
  EXPECT_EQ(FormatCounter(254), "254");
  EXPECT_EQ(FormatCounter(255), "255>");
}

Payload StatusPayload() {
  Payload p(30, 0);
  p[0] = 0x81;
  p[1] = 0xF5;              // bits 0 and 2, upper nibble noise
  p[2] = 0xD9, p[3] = 0x89;  // 124.1 V
  for (int i = 0; i < 6; ++i) {
    p[4 + 2 * i] = static_cast<std::uint8_t>(10 * i);  // 1.0 V steps
    p[5 + 2 * i] = static_cast<std::uint8_t>(i);       // + i * 12.8 V
    p[16 + 2 * i] = static_cast<std::uint8_t>(0x80 | i);  // marker bit ignored
    p[17 + 2 * i] = 0x01;                                 // + 128 mA
  }
  p[28] = 0x25;
  p[29] = 0x12;
  return p;
}

TEST(DecodeStatusTest, AllFields) {
  const auto reading = DecodeStatus(StatusPayload());
  ASSERT_TRUE(reading);
  EXPECT_EQ(reading->status_bits, 0x05);
  EXPECT_EQ(reading->mains, 1241);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(reading->volts[i], 10 * i + 128 * i) << i;
    EXPECT_EQ(reading->amps[i], 128 + i) << i;
  }
  EXPECT_EQ(reading->on_bits, 0x25);
  EXPECT_EQ(reading->fault_bits, 0x12);
}

TEST(DecodeStatusTest, LengthRule) {
  Payload p = StatusPayload();
  EXPECT_TRUE(DecodeStatus(p));
  p.push_back(0x55);  // extra bytes are ignored
  EXPECT_TRUE(DecodeStatus(p));
  p.resize(29);  // lacks the fault byte
  EXPECT_FALSE(DecodeStatus(p));
  EXPECT_FALSE(DecodeStatus(Payload{0x81}));
  EXPECT_FALSE(DecodeStatus(Payload{}));
}

TEST(DecodeDiagnosticTest, SignedTemperatureAndCounters) {
  struct Case {
    std::uint8_t low, high;
    int temperature;
  };
  for (const Case& c : std::vector<Case>{{0xFE, 0xFF, -2},
                                         {0x4D, 0x00, 77},
                                         {0xFF, 0x7F, 32767},
                                         {0x00, 0x80, -32768},
                                         {0x00, 0x00, 0}}) {
    const auto reading = DecodeDiagnostic(Payload{0xFB, 0x02, c.low, c.high, 1, 254, 255, 0});
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->temperature, c.temperature);
    EXPECT_EQ(reading->fault_bits, 0x02);
    EXPECT_EQ(reading->counters, (std::array<std::uint8_t, 4>{1, 254, 255, 0}));
  }
  EXPECT_FALSE(DecodeDiagnostic(Payload{0xFB, 0, 0, 0, 0, 0, 0}));
}

Payload IdPayload(int type, const std::string& text) {
  Payload p{0xBC, static_cast<std::uint8_t>(type)};
  for (char c : text) p.push_back(static_cast<std::uint8_t>(c));
  return p;
}

TEST(ApplyModuleIdTest, TrimsAndParsesTypeAndRevision) {
  DeviceIdentity id;
  ASSERT_TRUE(ApplyModuleId(IdPayload(5, "  Type 03 Rev 1.12  "), id));
  EXPECT_EQ(id.DeviceType, 5);
  EXPECT_EQ(id.ModuleID, "Type 03 Rev 1.12");
  EXPECT_EQ(id.ModuleType, 3);
  EXPECT_EQ(id.FirmwareMajor, 1);
  EXPECT_EQ(id.FirmwareMinor, 12);
}

TEST(ApplyModuleIdTest, MissingMarkersKeepPreviousValues) {
  struct Case {
    std::string text;
    int type, major, minor;
  };
  const std::vector<Case> cases = {
      {"VELD switch pack", 7, 2, 9},          // neither marker
      {"Rev 4", 7, 2, 9},                     // no point after "Rev "
      {"Type 11", 11, 2, 9},                  // type only
      {"Rev 3.1 Type 1", 1, 3, 1},            // minor is the number the rest begins with
      {"Type xx Rev .5", 0, 0, 5},            // no number gives 0
      {"Type 2 Rev 10.25b", 2, 10, 25},       // "2 " reads as 2
      {"type 05 rev 1.2", 7, 2, 9},           // markers are case-sensitive
      {"Rev 1 Type 2.5", 2, 1, 5},            // the first "." after "Rev " counts
  };
  for (const Case& c : cases) {
    DeviceIdentity id;
    id.ModuleType = 7, id.FirmwareMajor = 2, id.FirmwareMinor = 9;
    ASSERT_TRUE(ApplyModuleId(IdPayload(1, c.text), id));
    EXPECT_EQ(id.ModuleType, c.type) << c.text;
    EXPECT_EQ(id.FirmwareMajor, c.major) << c.text;
    EXPECT_EQ(id.FirmwareMinor, c.minor) << c.text;
  }
}

TEST(ApplyModuleIdTest, LengthRules) {
  DeviceIdentity id;
  id.DeviceType = 3;
  id.ModuleID = "old";
  EXPECT_FALSE(ApplyModuleId(Payload{0xBC}, id));
  EXPECT_EQ(id.DeviceType, 3);
  EXPECT_EQ(id.ModuleID, "old");

  ASSERT_TRUE(ApplyModuleId(Payload{0xBC, 4}, id));  // a type and no text
  EXPECT_EQ(id.DeviceType, 4);
  EXPECT_EQ(id.ModuleID, "");

  const std::string long_text = std::string(58, 'x') + "ABCDEF";
  ASSERT_TRUE(ApplyModuleId(IdPayload(1, long_text), id));
  EXPECT_EQ(id.ModuleID, std::string(58, 'x') + "AB");  // at most 60 characters
}

TEST(DeviceTypeTest, NamesAndDescriptions) {
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Unknown", "<Unknown Device Type>"},        {"VELD-HV", "VELD-HV, 110 Vac power"},
      {"VELD-LV", "VELD-LV, 48 Vdc power"},       {"VELD-VHV", "VELD-VHV, 220 Vac power"},
      {"KRAN-HV", "KRAN-HV, 110 Vac power"},      {"KRAN-LV", "KRAN-LV, 48 Vdc power"},
      {"KRAN-VHV", "KRAN-VHV, 220 Vac power"},    {"Unknown", "<Unknown Device Type>"}};
  for (int type = 0; type <= 7; ++type) {
    EXPECT_EQ(DeviceTypeName(type), expected[type].first) << type;
    EXPECT_EQ(DeviceDescription(type), expected[type].second) << type;
  }
  EXPECT_EQ(DeviceTypeName(255), "Unknown");
}

TEST(LeadingNumberTest, ReadsLikeTheWindow) {
  const std::vector<std::pair<std::string, double>> cases = {
      {"12", 12},     {" 1 2", 12},    {"abc", 0},    {"1.5x", 1.5},  {"-3", -3},
      {"", 0},        {"03", 3},       {"1e2", 100},  {".", 0},       {"120.0", 120},
      {"255>", 255},  {"1.2.3", 1.2},  {"7e", 7},     {"--", 0},      {"0.0", 0}};
  for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(LeadingNumber(text), value) << text;
}

TEST(RoundHalfEvenTest, TiesToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.6), 3);
  EXPECT_EQ(RoundHalfEven(1e20), INT_MAX);
  EXPECT_EQ(RoundHalfEven(-1e20), INT_MIN);
}

}  // namespace
}  // namespace corvid::monitor
