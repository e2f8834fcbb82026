#include "tessera/flash/loader.h"

#include <gtest/gtest.h>

#include "tessera/flash/test_hex_bytes.h"

namespace tessera::flash {
namespace {

using testing::B;
using testing::H;

common::Bytes OneToThirtyTwo() {
  common::Bytes data;
  for (int i = 1; i <= 32; ++i) data.push_back(static_cast<std::uint8_t>(i));
  return data;
}

TEST(LoaderTest, RequestsOnTheWire) {
  const std::string zeros31 =
      "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
      "00";
  const struct {
    const char* what;
    LoaderExchange exchange;
    std::string wire;
    int response_length;
    int timeout_ms;
  } cases[] = {
      {"launch", LaunchRequest(), "70 01 5A A5 69 26", 4, 5000},
      {"erase all", EraseRequest(), "70 02 FF 8E", 4, 5000},
      {"erase sector 0", EraseRequest(0x01), "70 02 01 8C", 4, 5000},
      {"checksum", ChecksumRequest(), "70 03 08 84", 6, 500},
      {"read record", ReadRecordRequest(0x7000), "70 05 00 70 00 20 FA", 35, 5000},
      {"read record A2", ReadRecordRequest(0x012345), "70 05 45 23 01 20 01", 35, 5000},
      {"read 5 bytes", ReadRecordRequest(0x012345, 5), "70 05 45 23 01 05 1C", 35, 5000},
      {"read capped at 32", ReadRecordRequest(0x012345, 40), "70 05 45 23 01 20 01", 35, 5000},
      {"reboot", RebootRequest(), "70 06 89", 3, 5000},
      {"read id", ReadIdRequest(), "70 07 88", 5, 5000},
      {"program test record", *ProgramRecordRequest(0x7000, OneToThirtyTwo()),
       "70 04 00 70 00 20 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 "
       "18 19 1A 1B 1C 1D 1E 1F 20 60 8B",
       4, 5000},
      {"program last byte", *ProgramRecordRequest(0x1FFFF, B("00")),
       "70 04 FF FF 01 01 00 " + zeros31 + " 01 8A", 4, 5000},
      // Record check 0B is the Intel HEX checksum of :02234500DEAD0B; A2 stays out.
      {"program two bytes", *ProgramRecordRequest(0x012345, B("DE AD")),
       "70 04 45 23 01 02 DE AD " + zeros31.substr(3) + " 0B 8A", 4, 5000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(H(c.exchange.request), c.wire) << c.what;
    EXPECT_EQ(c.exchange.response.count, c.response_length) << c.what;
    EXPECT_FALSE(c.exchange.response.HasBody()) << c.what;
    EXPECT_EQ(c.exchange.timeout_ms, c.timeout_ms) << c.what;
  }
}

TEST(LoaderTest, ProgramRequestIsAlwaysFortyBytesOrNothing) {
  for (std::size_t n = 0; n <= 40; ++n) {
    const common::Bytes data(n, 0xA5);
    const auto exchange = ProgramRecordRequest(0, data);
    if (n == 0 || n > 32) {
      EXPECT_FALSE(exchange) << n;
    } else {
      ASSERT_TRUE(exchange) << n;
      EXPECT_EQ(exchange->request.size(), 40u) << n;
      EXPECT_EQ(exchange->request[5], n);
    }
  }
}

TEST(LoaderTest, DecodeLaunch) {
  using Kind = LaunchOutcome::Kind;
  const struct {
    const char* response;
    Kind kind;
    std::uint8_t status;
    bool ok;
  } cases[] = {
      {"70 01 00 8E", Kind::kStarted, 0x00, true},
      {"70 01 01 8D", Kind::kStarted, 0x01, true},
      {"70 01 40 4E", Kind::kAlreadyRunning, 0x40, true},
      {"70 01 A0 EE", Kind::kRefused, 0xA0, false},
      {"", Kind::kNoResponse, 0, false},
      {"70 01 00", Kind::kNoResponse, 0, false},  // short: no result byte to trust
  };
  for (const auto& c : cases) {
    const LaunchOutcome outcome = DecodeLaunch(B(c.response));
    EXPECT_EQ(outcome.kind, c.kind) << c.response;
    EXPECT_EQ(outcome.status, c.status) << c.response;
    EXPECT_EQ(outcome.ok(), c.ok) << c.response;
  }
}

TEST(LoaderTest, DecodeResults) {
  // Device codes.
  const auto id = DecodeReadId(B("70 07 1F B5 B4"));
  ASSERT_TRUE(id);
  EXPECT_EQ(id->manufacturer, 0x1F);
  EXPECT_EQ(id->device, 0xB5);
  EXPECT_FALSE(DecodeReadId(B("")));
  EXPECT_FALSE(DecodeReadId(B("70 07 1F B5")));

  // Erase: only status 0 is erased.
  EXPECT_TRUE(DecodeErase(B("70 02 00 8D")));
  EXPECT_FALSE(DecodeErase(B("70 02 01 8C")));
  EXPECT_FALSE(DecodeErase(B("")));

  // Checksum: low byte first.
  EXPECT_EQ(DecodeChecksum(B("70 03 3C 9F 00 B1")), std::optional<std::uint16_t>(0x9F3C));
  EXPECT_EQ(DecodeChecksum(B("70 03 00 00 00 8C")), std::optional<std::uint16_t>(0));
  EXPECT_FALSE(DecodeChecksum(B("")));
  EXPECT_FALSE(DecodeChecksum(B("70 03 3C 9F")));

  // Program status.
  const struct {
    const char* response;
    bool responded;
    std::uint8_t status;
    bool ok;
  } programs[] = {
      {"70 04 00 8B", true, 0x00, true},
      {"70 04 10 7B", true, 0x10, false},
      {"", false, 0x00, false},
  };
  for (const auto& c : programs) {
    const ProgramOutcome outcome = DecodeProgram(B(c.response));
    EXPECT_EQ(outcome.responded, c.responded) << c.response;
    EXPECT_EQ(outcome.status, c.status) << c.response;
    EXPECT_EQ(outcome.ok(), c.ok) << c.response;
  }

  // Reboot: any answer.
  EXPECT_TRUE(DecodeReboot(B("70 06 89")));
  EXPECT_FALSE(DecodeReboot(B("")));
}

TEST(LoaderTest, DecodeReadRecord) {
  const common::Bytes response =
      B("70 05 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C "
        "1D 1E 1F 20 7A");
  EXPECT_EQ(H(*DecodeReadRecord(response)),
            "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C "
            "1D 1E 1F 20");
  EXPECT_EQ(H(*DecodeReadRecord(response, 3)), "01 02 03");
  // Never more than the 32-byte buffer, whatever is asked: the checksum is no data.
  EXPECT_EQ(DecodeReadRecord(response, 33)->size(), 32u);
  EXPECT_FALSE(DecodeReadRecord(B("")));
  EXPECT_FALSE(DecodeReadRecord(common::ByteView(response).first(34)));
}

}  // namespace
}  // namespace tessera::flash
