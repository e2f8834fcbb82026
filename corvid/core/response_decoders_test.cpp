#include "corvid/core/response_decoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace corvid::monitor {
namespace {

using Payload = common::Bytes;

TEST(DecodeTest, FourteenBitValuesAndTheirTexts) {
  // Bit 7 of both bytes is ignored.
  const std::tuple<std::uint8_t, std::uint8_t, int, const char*> cases[] = {
      {0xD9, 0x89, 1241, "124.1"},
      {0x80, 0x80, 0, "0.0"},
      {0x05, 0x00, 5, "0.5"},
      {0x00, 0x01, 128, "12.8"},
      {0xFF, 0xFF, 16383, "1638.3"}};
  for (const auto& [low, high, value, tenths] : cases)
    EXPECT_EQ(std::pair(Decode14(low, high), FormatTenths(Decode14(low, high))),
              std::pair(value, std::string(tenths)));
  EXPECT_EQ(FormatCounter(254) + FormatCounter(255), "254255>");
}

TEST(DecodeTest, DiagnosticTemperatureIsSigned) {
  const std::tuple<std::uint8_t, std::uint8_t, int> cases[] = {
      {0xFE, 0xFF, -2}, {0xFF, 0x7F, 32767}, {0x00, 0x80, -32768}};
  for (const auto& [low, high, temperature] : cases)
    EXPECT_EQ(DecodeDiagnostic(Payload{0xFB, 0, low, high, 0, 0, 0, 0})->temperature, temperature);
}

// A short answer decodes into nothing, so the session keeps what it showed.
TEST(DecodeTest, ShortAnswersDecodeIntoNothing) {
  EXPECT_FALSE(DecodeStatus(Payload(29, 0x81)).has_value());
  EXPECT_TRUE(DecodeStatus(Payload(30, 0x81)).has_value());
  EXPECT_FALSE(DecodeDiagnostic(Payload{0xFB, 0x03, 0xFE, 0xFF, 255, 254, 0}).has_value());
}

Payload IdPayload(int type, const std::string& text) {
  Payload p(text.size() + 2);
  p[0] = 0xBC;
  p[1] = static_cast<std::uint8_t>(type);
  std::copy(text.begin(), text.end(), p.begin() + 2);
  return p;
}

TEST(DecodeTest, ModuleIdTypeAndRevision) {
  // The text, then the ID kept, type and revision (before: 7, 2.9). Neither marker; no
  // number gives 0; the markers are case-sensitive; 60 characters at most.
  using C = std::tuple<std::string, std::string, int, int, int>;
  const std::string x58(58, 'x');
  for (const auto& [text, kept, type, major, minor] :
       {C{"  Type 03 Rev 1.12  ", "Type 03 Rev 1.12", 3, 1, 12},
        C{"VELD switch pack", "VELD switch pack", 7, 2, 9},
        C{"Rev 3.1 Type 1", "Rev 3.1 Type 1", 1, 3, 1},
        C{"Type xx Rev .5", "Type xx Rev .5", 0, 0, 5},
        C{"type 05 rev 1.2", "type 05 rev 1.2", 7, 2, 9}, C{x58 + "ABCDEF", x58 + "AB", 7, 2, 9}}) {
    DeviceIdentity id{1, "old", 7, 2, 9};
    ASSERT_TRUE(ApplyModuleId(IdPayload(5, text), id));
    EXPECT_EQ(std::tuple(id.device_type, id.module_id, id.module_type, id.firmware_major,
                         id.firmware_minor),
              std::tuple(5, kept, type, major, minor))
        << text;
  }
  DeviceIdentity id{.device_type = 3, .module_id = "old"};
  EXPECT_FALSE(ApplyModuleId(Payload{0xBC}, id));
  EXPECT_EQ(std::pair(id.device_type, id.module_id), std::pair(3, std::string("old")));
}

}  // namespace
}  // namespace corvid::monitor
