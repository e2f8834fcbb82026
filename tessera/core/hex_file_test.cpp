#include "tessera/core/hex_file.h"

#include <gtest/gtest.h>

#include <numeric>

#include "common/core/hex_text.h"
#include "common/testing/hex.h"

namespace tessera::flash {
namespace {

using common::testing::B;
using common::testing::H;

TEST(HexValTest, LongestHexPrefixPinnedAtTheTop) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"", 0}, {"9f3c", 0x9F3C}, {"1G", 1}, {"000000000012", 0x12}, {"10000FFFF", 0xFFFFFFFF}};
  for (const auto& [text, value] : cases) EXPECT_EQ(HexVal(text), value) << text;
  EXPECT_EQ(common::HexNumber(5, 2) + common::HexNumber(0x100, 2), "05100");
}

TEST(CheckHexFileNameTest, Verdicts) {
  const std::string model =
      ") is intended for an different model than the current target model TBX-540.";
  // The name, the questions asked (T: version type, R: revision), the checksum it is
  // accepted with, the reason it is not, the revision of the unit (of type 0x21).
  const struct {
    std::string name, asks;
    std::optional<std::uint32_t> checksum;
    std::string reason;
    std::uint8_t unit_revision = 0x05;
  } cases[] = {
      {"C:\\FW\\TBX2105(9F3C).HEX", "", 0x9F3C, ""},
      {"TBX2105(XYZ).HEX", "", 0, ""},
      {"TBX2105(9F)3C).HEX", "", 0x9F, ""},
      {"TBX2205(1).HEX", "T", 1, ""},
      {"TBX2103(1).HEX", "R", 1, ""},
      {"TBX0A03(1).HEX", "TR", 1, "", 0x14},
      // No base name: rejected, and the box says why.
      {"/fw.d/TBX2105", "", std::nullopt, "The input file (/fw.d/TBX2105) has no extension."},
      {"C:\\FW.D\\.HEX", "", std::nullopt,
       "The input file (C:\\FW.D\\.HEX) has no name before its extension."},
      {"TB.HEX", "", std::nullopt, "The input file (TB.HEX" + model},
      // Messages show the path as it is on disk.
      {"/home/Tech/tbx2100(9f3c).hex", "", std::nullopt,
       "The input file (/home/Tech/tbx2100(9f3c).hex) does not contain a valid revision level "
       "(0)"},
      {"TBX2105().HEX", "", std::nullopt, "CS Parameter missing in filename: (TBX2105().HEX)."},
      // Parentheses in a folder name do not count.
      {"C:\\F(9F3C)\\TBX2105.HEX", "", std::nullopt,
       "CS Parameter missing in filename: (C:\\F(9F3C)\\TBX2105.HEX)."},
  };
  for (const auto& c : cases) {
    const NameCheck check = CheckHexFileName(c.name, 0x21, c.unit_revision);
    std::string asks;
    for (const NameQuestion& q : check.questions)
      asks += q.kind == NameQuestion::Kind::kVersionType ? "T" : "R";
    const NameOutcome& got = check.outcome;
    EXPECT_EQ(std::tuple(asks, got.accepted, got.expected_checksum, got.reason, got.detail),
              std::tuple(c.asks, c.checksum.has_value(), c.checksum.value_or(0), c.reason,
                         c.reason.empty() ? "" : kNamePatternText))
        << c.name;
  }
}

TEST(CheckHexFileNameTest, QuestionsAndAnswers) {
  const NameCheck check = CheckHexFileName("TBX0A03(9F3C).HEX", 0x21, 0x14);
  ASSERT_EQ(check.questions.size(), 2u);
  EXPECT_EQ(check.questions[0].text,
            "The input file (TBX0A03(9F3C).HEX) is for an different firmware Version Type (A) than "
            "the current installed version (21).\r\n\r\n"
            "Do you want to continue with the firmware update?");
  EXPECT_EQ(check.questions[1].text,
            "The input file (TBX0A03(9F3C).HEX) is for an earlier firmware revision (3) than the "
            "current installed revision (14).\r\n\r\n"
            "Do you want to continue with the firmware update?");
  const std::string cancelled = "Firmware update operation cancelled";
  const std::tuple<std::vector<bool>, std::size_t, std::string> cases[] = {
      {{true, true}, 2, ""}, {{false}, 1, cancelled}, {{true, false}, 2, cancelled}};
  for (const auto& [answers, asked, reason] : cases) {
    std::size_t n = 0;
    const NameOutcome got = check.Resolve([&](const NameQuestion&) { return answers.at(n++); });
    EXPECT_EQ(std::tuple(n, got.accepted, got.reason), std::tuple(asked, reason.empty(), reason));
  }
}

TEST(ParseHexRecordTest, Records) {
  // Line, valid, type, address, data.
  const std::tuple<const char*, bool, int, std::uint32_t, const char*> cases[] = {
      {":00000001FF", true, 1, 0, ""},
      {":0270000001028B", true, 0, 0x7000, "01 02"},
      {":01FFFF005AA7", true, 0, 0xFFFF, "5A"},
      {":0270000001028b", true, 0, 0x7000, "01 02"},  // lower case
      {":020000021000EC", true, 2, 0x1000, ""},
      {":00000001FF ", false, 1, 0, ""},  // trailing blank
      {":01000000FF", false, 0, 0, ""},   // count says one byte more
      {":00000001FE", false, 1, 0, ""},   // checksum
      {"", false, -1, 0, ""},
      // A segment or linear record without its two bytes would take its address from the
      // checksum.
      {":00000002FE", false, 2, 0, ""},
      {":020000040001F9", true, 4, 0x0001, ""},
  };
  for (const auto& [line, valid, type, address, data] : cases) {
    HexRecord r;
    EXPECT_EQ(std::tuple(ParseHexRecord(line, r), r.type), std::tuple(valid, type)) << line;
    if (!valid) continue;
    const common::Bytes bytes = B(data);
    EXPECT_EQ(
        std::tuple(r.address, H(r.data), r.data_count, r.data_sum),
        std::tuple(address, data, bytes.size(), std::accumulate(bytes.begin(), bytes.end(), 0u)))
        << line;
  }
}

TEST(ImageChecksumTest, SixteenBitSumOfTheFlash) {
  EXPECT_EQ(ImageChecksum(0, 1), 0xFF01);  // 131071 bytes of 0xFF and one 0x00
  EXPECT_EQ(ImageChecksum(0x1234567, 0x20000), 0x4567);
}

TEST(ValidateHexFileTest, Files) {
  const std::string bad = "The input file (C:\\TBX2105(0).HEX) is not valid, ";
  const std::string type_error = bad + "record type error.";
  const std::string end = ":00000001FF\r\n";
  const std::string at_7000 = ":0270000001028B\r\n", zero = ":0100000000FF\r\n";
  const std::string outside = bad + "the record at line 2 lies outside the 128 KiB flash (address ";
  // Text, checksum in the name, reason (empty: valid), data bytes and records.
  using Case = std::tuple<std::string, std::uint32_t, std::string, std::uint32_t, std::uint32_t>;
  const Case cases[] = {
      // clang-format off
      {zero + end, 0xFF01, "", 1, 1},
      {zero + end, 0x0000, bad + "checksum error.|Checksum of the image in the file: 0xFF01; "
                                 "checksum in its name: 0x0.", 1, 1},
      {":0270000001028B\n:00000001FF\n", 0xFE05, "", 2, 1},
      // Segment, linear and types 3 and 5 do not enter the checksum.
      {":020000021000EC\r\n:040000031000FF00EA\r\n:020000040001F9\r\n:0400000500001000E7\r\n" +
       at_7000 + end, 0xFE05, "", 2, 1},
      {":0200000000FF\r\n" + end, 0xFF01, type_error, 0, 0},
      {zero + end + "\r\ngarbage\r\n" + zero, 0xFF01, "", 1, 1},
      {zero, 0xFF01, bad + "no end record.", 1, 1},
      // Refused before the unit is erased: the loader takes 32 bytes a record ...
      {zero + ":210000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021AE\r\n" +
       end, 0xE051, bad + "the record at line 2 has 33 data bytes (the loader takes at most 32).",
       34, 2},
      // ... and the flash ends at 0x1FFFF: segment 0x1FFF plus 0xF0 is 0x200E0, linear
      // 0x0002 is 0x20000; the last byte that fits is fine.
      {":020000021FFFDE\r\n:0100F000000F\r\n" + end, 0xFF01, outside + "0x200E0).", 1, 1},
      {":020000040001F9\r\n:01FFFF000001\r\n" + end, 0xFF01, "", 1, 1},
      // A linear base far up does not wrap round to a small address.
      {":02000004FFFFFC\r\n:01FFFF000001\r\n" + end, 0xFF01, outside + "0xFFFFFFFF).", 1, 1},
      // clang-format on
  };
  for (const auto& [text, expected, reason, data_count, records] : cases) {
    LineReader reader(text);
    const Validation v = ValidateHexFile(reader, "C:\\TBX2105(0).HEX", expected);
    EXPECT_EQ(std::tuple(v.ok, v.detail.empty() ? v.reason : v.reason + "|" + v.detail,
                         v.data_count, v.data_records),
              std::tuple(reason.empty(), reason, data_count, records))
        << text;
  }
}

}  // namespace
}  // namespace tessera::flash
