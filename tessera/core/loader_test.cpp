#include "tessera/core/loader.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::flash {
namespace {

using common::testing::B;
using common::testing::H;

TEST(LoaderTest, RequestsOnTheWire) {
  const std::string zeros30 =
      "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
  const std::tuple<LoaderExchange, std::string, int, int> cases[] = {
      {LaunchRequest(), "70 01 5A A5 69 26", 4, 5000},
      {EraseRequest(), "70 02 FF 8E", 4, 5000},
      {EraseRequest(0x01), "70 02 01 8C", 4, 5000},
      {ChecksumRequest(), "70 03 08 84", 6, 500},
      {ReadRecordRequest(0x7000), "70 05 00 70 00 20 FA", 35, 5000},
      {ReadRecordRequest(0x012345, 40), "70 05 45 23 01 20 01", 35, 5000},  // capped at 32
      {RebootRequest(), "70 06 89", 3, 5000},
      {ReadIdRequest(), "70 07 88", 5, 5000},
      {*ProgramRecordRequest(0x1FFFF, B("00")), "70 04 FF FF 01 01 00 00 " + zeros30 + " 01 8A", 4,
       5000},
      // Record check 0B is the Intel HEX checksum of :02234500DEAD0B; A2 stays out.
      {*ProgramRecordRequest(0x012345, B("DE AD")), "70 04 45 23 01 02 DE AD " + zeros30 + " 0B 8A",
       4, 5000},
  };
  for (const auto& [exchange, wire, response_length, timeout_ms] : cases) {
    EXPECT_EQ(std::tuple(H(exchange.request), exchange.response.count, exchange.response.HasBody(),
                         exchange.timeout_ms),
              std::tuple(wire, response_length, false, timeout_ms));
  }
  // Nothing to send for no data or more than the loader's 32-byte buffer.
  for (std::size_t n : {0, 32, 33}) {
    const auto exchange = ProgramRecordRequest(0, common::Bytes(n, 0xA5));
    EXPECT_EQ(exchange.has_value(), n >= 1 && n <= 32) << n;
    EXPECT_EQ(exchange ? exchange->request.size() : 40u, 40u) << n;
  }
}

TEST(LoaderTest, DecodeLaunch) {
  using Kind = LaunchOutcome::Kind;
  const std::tuple<const char*, Kind, int> cases[] = {{"70 01 00 8E", Kind::kStarted, 0x00},
                                                      {"70 01 40 4E", Kind::kAlreadyRunning, 0x40},
                                                      {"70 01 A0 EE", Kind::kRefused, 0xA0},
                                                      {"", Kind::kNoResponse, 0},
                                                      {"70 01 00", Kind::kNoResponse, 0}};
  for (const auto& [response, kind, status] : cases) {
    const LaunchOutcome got = DecodeLaunch(B(response));
    EXPECT_EQ(std::tuple(got.kind, int{got.status}, got.ok()),
              std::tuple(kind, status, kind == Kind::kStarted || kind == Kind::kAlreadyRunning));
  }
}

TEST(LoaderTest, DecodeResults) {
  const auto id = DecodeReadId(B("70 07 1F B5 B4"));
  ASSERT_TRUE(id);
  EXPECT_EQ(std::tuple(id->manufacturer, id->device), std::tuple(0x1F, 0xB5));
  EXPECT_EQ(DecodeChecksum(B("70 03 3C 9F 00 B1")), std::optional<std::uint16_t>(0x9F3C));
  EXPECT_EQ(std::tuple(DecodeReadId(B("70 07 1F B5")).has_value(), DecodeErase(B("70 02 00 8D")),
                       DecodeErase(B("70 02 01 8C")), DecodeChecksum(B("70 03 3C 9F")).has_value(),
                       DecodeProgram(B("70 04 00 8B")).ok(), DecodeReboot(B("70 06 89"))),
            std::tuple(false, true, false, false, true, true));
  const ProgramOutcome refused = DecodeProgram(B("70 04 10 7B"));
  EXPECT_EQ(std::tuple(refused.responded, refused.ok(), refused.status),
            std::tuple(true, false, 0x10));

  const common::Bytes record =
      B("70 05 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C "
        "1D 1E 1F 20 7A");
  EXPECT_EQ(H(*DecodeReadRecord(record, 3)), "01 02 03");
  // Never past the 32-byte buffer, whatever is asked: the checksum is no data.
  EXPECT_EQ(H(*DecodeReadRecord(record, 33)),
            "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C "
            "1D 1E 1F 20");
  EXPECT_FALSE(DecodeReadRecord(common::ByteView(record).first(34)));
}

}  // namespace
}  // namespace tessera::flash
