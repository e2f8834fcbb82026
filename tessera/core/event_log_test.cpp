#include "tessera/core/event_log.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::logs {
namespace {

using common::testing::B;
using common::testing::H;

// A read response around the given record bytes, MC 0A 0B 0C 0D. The checksum byte
// is left 0: the link checks it before the decoder runs.
common::Bytes Response(int count, const common::Bytes& records) {
  common::Bytes response = B("7F 0D 00 23 23 14 00");
  response.push_back(static_cast<std::uint8_t>(count & 0xFF));
  response.push_back(static_cast<std::uint8_t>(count >> 8));
  response.insert(response.end(), records.begin(), records.end());
  response.insert(response.end(), {0x0A, 0x0B, 0x0C, 0x0D, 0x00});
  return response;
}

TEST(EventLogTest, Requests) {
  EXPECT_EQ(H(ReadEventsRequest()) + " / " + H(ClearEventsRequest()), "7F 0D 00 73 / 7E 0D 00 74");
  EXPECT_EQ(
      std::tuple(IsClearEventsResponse(B("7E 0D 00 23 23 14 00 1A")),
                 IsClearEventsResponse(B("7E 0C 00 23 23 14 00 1B")), IsClearEventsResponse({})),
      std::tuple(true, false, false));
}

TEST(EventLogTest, WholeReads) {
  const std::pair<const char*, const char*> cases[] = {
      {"7F 0D 00 23 23 14 00 01 00 01 02 00 00 00 12 34 00 00 12 40 7D",
       "> Log Read (1 events) at MC=0x00001240\r\n"
       "Reboot, NReset Active, MC=0x00001234\r\n"},
      {"7F 0D 00 23 23 14 00 00 00 00 00 12 40 C7",
       "> Log Read (0 events) at MC=0x00001240\r\n"
       "  No Items\r\n"},
      // An invalid type is shown in line and decoding goes on, 7 bytes a record.
      {"7F 0D 00 23 23 14 00 03 00 0F 00 00 00 00 00 01 03 00 00 00 00 00 02 "
       "04 00 00 00 00 00 03 00 00 00 0A 00",
       "> Log Read (3 events) at MC=0x0000000A\r\n"
       "Invalid Record Type (15), MC=0x00000001\r\n"
       "Event Log Cleared, MC=0x00000002\r\n"
       ", MC=0x00000003\r\n"},
  };
  for (const auto& [response, text] : cases) EXPECT_EQ(DecodeEventLog(B(response)), text);
}

TEST(EventLogTest, RecordLines) {
  // Type P1 P2, and the line before the record's MC.
  const std::pair<const char*, const char*> cases[] = {
      {"01 02 FF", "Reboot, NReset Active"},
      {"01 07 00", ""},
      {"02 85 3C", "Frame #5 Received, Param=0x3C"},
      {"02 05 0A", "Frame #5 Received, invalid, Param=0x0A"},
      {"03 12 34", "Event Log Cleared"},
      {"05 00 00", "Positive   Zero Cross"},
      {"05 01 00", ""},
      {"06 02 05", "SB #1 Timeout, TBX Outputs Reset, Address = 0x05"},
      {"08 05 00", "FP Ctl: Outputs=FP, TBuffer=SB#1, ZC Log Off"},
      {"08 F8 00", "FP Ctl: Outputs=SB#1, TBuffer=SB#1"},  // bits 3-7 mean nothing
      {"09 04 80", "SCC RX_INT_SPR, RR1=0x80"},
      {"0A 34 12", "General_1: Param_ms=0x12, Param_ls=0x34"},
      {"0F 01 02", "Invalid Record Type (15)"},
  };
  for (const auto& [record, text] : cases) {
    const common::Bytes p = B(record);
    EXPECT_EQ(EventText(p[0], p[1], p[2]), text) << record;
  }
}

TEST(EventLogTest, RejectsBadResponses) {
  // One record with the marker 0x010D, a byte short, a byte too many, counted as two;
  // 32768 records, all there (the count itself is refused); the most a count holds.
  const std::string one = "7F 0D 00 23 23 14 00 01 00 03 00 00 00 00 00 02 0A 0B 0C 0D 00";
  for (const common::Bytes& response :
       {B("7F 0D 01" + one.substr(8)), B(one.substr(0, one.size() - 3)), B(one + " 00"),
        B("7F 0D 00 23 23 14 00 02" + one.substr(23)),
        Response(0x8000, common::Bytes(7 * 0x8000, 0x03)),
        Response(0xFFFF, common::Bytes(7 * 0xFFFF, 0x03)), B("7F 0D 00 23 23 14 00 00"),
        common::Bytes{}}) {
    EXPECT_FALSE(IsEventLogResponse(response)) << response.size();
    EXPECT_FALSE(DecodeEventLog(response)) << response.size();
  }
}

TEST(EventLogTest, CountFromHeader) {
  const std::pair<std::string, std::optional<int>> cases[] = {
      {"00 00", 0}, {"05 01", 261}, {"FF 7F", 32767}, {"00 80", {}}, {"FF FF", {}}, {"05", {}}};
  for (const auto& [count, value] : cases)
    EXPECT_EQ(EventCount(B("7F 0D 00 23 23 14 00 " + count)), value) << count;
}

}  // namespace
}  // namespace tessera::logs
