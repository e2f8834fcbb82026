#include "tessera/flash/hex_file.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tessera/flash/test_hex_bytes.h"
#include "tessera/flash/test_objcopy.h"

namespace tessera::flash {
namespace {

using testing::B;
using testing::H;

TEST(HexValTest, LongestHexPrefix) {
  const struct {
    const char* text;
    std::uint32_t value;
  } cases[] = {
      {"", 0},
      {"9F3C", 0x9F3C},
      {"9f3c", 0x9F3C},
      {"1G", 0x1},
      {"G1", 0},
      {" 1", 0},  // a blank is no digit
      {"XYZ", 0},
      {"FFFFFFFF", 0xFFFFFFFF},
      {"000000000012", 0x12},  // leading zeros are no overflow
      // Too big for 32 bits: pinned at the top, never wrapped to a small value.
      {"10000FFFF", 0xFFFFFFFF},
      {"123456789ABCDEF", 0xFFFFFFFF},
  };
  for (const auto& c : cases) EXPECT_EQ(HexVal(c.text), c.value) << c.text;
}

TEST(HexTextTest, Digits) {
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(0xA), "A");
  EXPECT_EQ(HexText(0x9F3C), "9F3C");
  EXPECT_EQ(HexText(0xFFFFFFFF), "FFFFFFFF");
  EXPECT_EQ(HexText2(0), "00");
  EXPECT_EQ(HexText2(5), "05");
  EXPECT_EQ(HexText2(0xB5), "B5");
  EXPECT_EQ(HexText2(0x100), "100");
}

TEST(SplitPathTest, Parts) {
  const struct {
    const char* path;
    FileSpec spec;
  } cases[] = {
      {"", {}},
      {"    ", {}},
      {"  C:\\FW\\TBX2105(9F3C).HEX  ",
       {"C:\\FW\\TBX2105(9F3C).HEX", "C:\\FW\\", "TBX2105(9F3C).HEX", "TBX2105(9F3C)", "HEX"}},
      {"/home/tech/fw.d/tbx2105(9f3c).hex",
       {"/home/tech/fw.d/tbx2105(9f3c).hex", "/home/tech/fw.d/", "tbx2105(9f3c).hex",
        "tbx2105(9f3c)", "hex"}},
      {"C:/mixed\\dir/file.a.b",
       {"C:/mixed\\dir/file.a.b", "C:/mixed\\dir/", "file.a.b", "file.a", "b"}},
      {"TBX2105", {"TBX2105", "", "TBX2105", "", ""}},
      {"/fw.d/TBX2105", {"/fw.d/TBX2105", "/fw.d/", "TBX2105", "", ""}},
      {".HEX", {".HEX", "", ".HEX", "", "HEX"}},
      {"C:\\FW\\", {"C:\\FW\\", "C:\\FW\\", "", "", ""}},
      {"TBX2105.", {"TBX2105.", "", "TBX2105.", "TBX2105", ""}},
  };
  for (const auto& c : cases) {
    const FileSpec spec = SplitPath(c.path);
    EXPECT_EQ(spec.FullPath, c.spec.FullPath) << c.path;
    EXPECT_EQ(spec.Path, c.spec.Path) << c.path;
    EXPECT_EQ(spec.FileName, c.spec.FileName) << c.path;
    EXPECT_EQ(spec.BaseName, c.spec.BaseName) << c.path;
    EXPECT_EQ(spec.Extension, c.spec.Extension) << c.path;
  }
}

TEST(ChooseHexFileTest, OpensByRealPathShowsUpperCase) {
  const HexFileChoice choice = ChooseHexFile("  /home/Tech/fw/tbx2105(9f3c).hex ");
  EXPECT_EQ(choice.path, "/home/Tech/fw/tbx2105(9f3c).hex");
  EXPECT_EQ(choice.hex_file_name, "/HOME/TECH/FW/TBX2105(9F3C).HEX");
}

constexpr char kContinue[] = "\r\n\r\nDo you want to continue with the firmware update?";

TEST(CheckHexFileNameTest, Verdicts) {
  using Kind = NameQuestion::Kind;
  struct Question {
    Kind kind;
    std::string text;
  };
  const std::string model =
      ") is intended for an different model than the current target model TBX-540.";
  const struct {
    std::string name;
    std::uint8_t unit_type;
    std::uint8_t unit_revision;
    std::vector<Question> questions;
    bool accepted;
    std::uint32_t checksum;
    std::string reason;
  } cases[] = {
      {"C:\\FW\\TBX2105(9F3C).HEX", 0x21, 0x05, {}, true, 0x9F3C, ""},
      {"C:\\FW\\tbx2105(9f3c).hex", 0x21, 0x05, {}, true, 0x9F3C, ""},
      {"TbX2105 release(9F3C).hex", 0x21, 0x05, {}, true, 0x9F3C, ""},
      {"TBX2105X(9F3C).HEX", 0x21, 0x05, {}, true, 0x9F3C, ""},
      {"/HOME/FW.D/TBX2105(9F3C).HEX", 0x21, 0x05, {}, true, 0x9F3C, ""},
      {"TBX2105(XYZ).HEX", 0x21, 0x05, {}, true, 0, ""},
      {"TBX2105(12345).HEX", 0x21, 0x05, {}, true, 0x12345, ""},
      {"TBX2105(9F)3C).HEX", 0x21, 0x05, {}, true, 0x9F, ""},
      // No base name: rejected without a reason.
      {"TBX2105", 0x21, 0x05, {}, false, 0, ""},
      {".HEX", 0x21, 0x05, {}, false, 0, ""},
      {"C:\\FW.NEW\\TBX2105", 0x21, 0x05, {}, false, 0, ""},
      {"(9F3C).HEX", 0x21, 0x05, {}, false, 0, "The input file ((9F3C).HEX" + model},
      {"ABC2105(9F3C).HEX", 0x21, 0x05, {}, false, 0, "The input file (ABC2105(9F3C).HEX" + model},
      {"TB.HEX", 0x21, 0x05, {}, false, 0, "The input file (TB.HEX" + model},
      {"TBX2100(9F3C).HEX",
       0x21,
       0x05,
       {},
       false,
       0,
       "The input file (TBX2100(9F3C).HEX) does not contain a valid revision level (0)"},
      {"TBX21(9F3C).HEX",
       0x21,
       0x05,
       {},
       false,
       0,
       "The input file (TBX21(9F3C).HEX) does not contain a valid revision level (0)"},
      {"TBX2105.HEX", 0x21, 0x05, {}, false, 0, "CS Parameter missing in filename: (TBX2105.HEX)."},
      {"TBX2105().HEX",
       0x21,
       0x05,
       {},
       false,
       0,
       "CS Parameter missing in filename: (TBX2105().HEX)."},
      {"TBX2105)9F3C(.HEX",
       0x21,
       0x05,
       {},
       false,
       0,
       "CS Parameter missing in filename: (TBX2105)9F3C(.HEX)."},
      {"TBX2105(9F3C.HEX",
       0x21,
       0x05,
       {},
       false,
       0,
       "CS Parameter missing in filename: (TBX2105(9F3C.HEX)."},
      // Parentheses in a folder name do not count.
      {"C:\\FW(9F3C)\\TBX2105.HEX",
       0x21,
       0x05,
       {},
       false,
       0,
       "CS Parameter missing in filename: (C:\\FW(9F3C)\\TBX2105.HEX)."},
      {"TBX2205(9F3C).HEX",
       0x21,
       0x05,
       {{Kind::kVersionType,
         "The input file (TBX2205(9F3C).HEX) is for an different firmware "
         "Version Type (22) than the current installed version (21)." +
             std::string(kContinue)}},
       true,
       0x9F3C,
       ""},
      {"TBX2103(9F3C).HEX",
       0x21,
       0x05,
       {{Kind::kRevision,
         "The input file (TBX2103(9F3C).HEX) is for an earlier firmware "
         "revision (3) than the current installed revision (5)." +
             std::string(kContinue)}},
       true,
       0x9F3C,
       ""},
      {"TBX0A03(9F3C).HEX",
       0x21,
       0x14,
       {{Kind::kVersionType,
         "The input file (TBX0A03(9F3C).HEX) is for an different firmware "
         "Version Type (A) than the current installed version (21)." +
             std::string(kContinue)},
        {Kind::kRevision,
         "The input file (TBX0A03(9F3C).HEX) is for an earlier firmware "
         "revision (3) than the current installed revision (14)." +
             std::string(kContinue)}},
       true,
       0x9F3C,
       ""},
      // The type question comes before the revision is found invalid.
      {"TBX2200(9F3C).HEX",
       0x21,
       0x05,
       {{Kind::kVersionType,
         "The input file (TBX2200(9F3C).HEX) is for an different firmware "
         "Version Type (22) than the current installed version (21)." +
             std::string(kContinue)}},
       false,
       0,
       "The input file (TBX2200(9F3C).HEX) does not contain a valid revision level (0)"},
      // A newer or equal revision asks nothing; the question is about the unit.
      {"TBX2106(9F3C).HEX", 0x21, 0x06, {}, true, 0x9F3C, ""},
      {"TBX21FF(1).HEX", 0x21, 0xF0, {}, true, 1, ""},
  };
  for (const auto& c : cases) {
    const NameCheck check = CheckHexFileName(c.name, c.unit_type, c.unit_revision);
    ASSERT_EQ(check.questions.size(), c.questions.size()) << c.name;
    for (std::size_t i = 0; i < c.questions.size(); ++i) {
      EXPECT_EQ(check.questions[i].kind, c.questions[i].kind) << c.name;
      EXPECT_EQ(check.questions[i].text, c.questions[i].text) << c.name;
    }
    EXPECT_EQ(check.outcome.accepted, c.accepted) << c.name;
    EXPECT_EQ(check.outcome.expected_checksum, c.checksum) << c.name;
    EXPECT_EQ(check.outcome.reason, c.reason) << c.name;
  }
}

TEST(CheckHexFileNameTest, AnswersDecide) {
  const NameCheck check = CheckHexFileName("TBX0A03(9F3C).HEX", 0x21, 0x14);
  const struct {
    std::vector<bool> answers;
    int asked;
    bool accepted;
    std::string reason;
  } cases[] = {
      {{true, true}, 2, true, ""},
      {{false}, 1, false, "Firmware update operation cancelled"},
      {{true, false}, 2, false, "Firmware update operation cancelled"},
  };
  for (const auto& c : cases) {
    int asked = 0;
    const NameOutcome outcome =
        check.Resolve([&](const NameQuestion&) { return c.answers.at(asked++); });
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(outcome.accepted, c.accepted);
    EXPECT_EQ(outcome.reason, c.reason);
    EXPECT_EQ(outcome.expected_checksum, c.accepted ? 0x9F3Cu : 0u);
  }
  // Nothing to ask: the outcome as it stands.
  int asked = 0;
  const NameOutcome rejected =
      CheckHexFileName("TBX2105.HEX", 0x21, 0x05).Resolve([&](const NameQuestion&) {
        return ++asked, true;
      });
  EXPECT_EQ(asked, 0);
  EXPECT_FALSE(rejected.accepted);
}

TEST(ParseHexRecordTest, Records) {
  const struct {
    const char* line;
    bool valid;
    int type;
    std::uint32_t address;
    const char* data;
    std::uint32_t data_sum;
  } cases[] = {
      {":00000001FF", true, 1, 0, "", 0},
      {":0100000000FF", true, 0, 0, "00", 0},
      {":0270000001028B", true, 0, 0x7000, "01 02", 3},
      {":01FFFF005AA7", true, 0, 0xFFFF, "5A", 0x5A},
      {":10000000DAC322C48E3778C684ABE31F3BD286970F", true, 0, 0,
       "DA C3 22 C4 8E 37 78 C6 84 AB E3 1F 3B D2 86 97", 0x8E1},
      // Lower case reads the same.
      {":10000000dac322c48e3778c684abe31f3bd286970f", true, 0, 0,
       "DA C3 22 C4 8E 37 78 C6 84 AB E3 1F 3B D2 86 97", 0x8E1},
      {":210000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021AE", true, 0, 0,
       "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E "
       "1F 20 21",
       561},
      {":00123400BA", true, 0, 0x1234, "", 0},
      {":020000021000EC", true, 2, 0x1000, "", 0},
      {":040000031000FF00EA", true, 3, 0, "", 0},
      {":020000040001F9", true, 4, 0, "", 0},
      {":0400000500001000E7", true, 5, 0, "", 0},
      // Length: a trailing blank, a count that disagrees with the data.
      {":00000001FF ", false, 1, 0, "", 0},
      {":01000000FF", false, 0, 0, "", 0},
      {":0200000000FF", false, 0, 0, "", 0},
      {":0100000000FF00", false, 0, 0, "", 0},
      {":00000001FE", false, 1, 0, "", 0},  // checksum
      {":0100000001FF", false, 0, 0, "01", 1},
      {"00000001FF", false, -1, 0, "", 0},
      {"", false, -1, 0, "", 0},
      {":", false, 0, 0, "", 0},
      // A segment record must carry its two bytes, or its address is taken from the
      // checksum.
      {":00000002FE", false, 2, 0, "", 0},
  };
  for (const auto& c : cases) {
    HexRecord record;
    record.data = {0xEE};  // whatever was there before is replaced
    EXPECT_EQ(ParseHexRecord(c.line, record), c.valid) << c.line;
    EXPECT_EQ(record.type, c.type) << c.line;
    if (!c.valid) continue;
    EXPECT_EQ(record.address, c.address) << c.line;
    EXPECT_EQ(H(record.data), c.data) << c.line;
    EXPECT_EQ(record.data_sum, c.data_sum) << c.line;
    EXPECT_EQ(record.data_count, record.data.size()) << c.line;
  }
}

TEST(ImageChecksumTest, SixteenBitSumOfTheFlash) {
  const struct {
    std::uint32_t sum;
    std::uint32_t count;
    std::uint16_t checksum;
  } cases[] = {
      {0, 0, 0x0000},        // 131072 bytes of 0xFF
      {0, 1, 0xFF01},        // one 0x00 byte
      {0xFF, 1, 0x0000},     // one 0xFF byte changes nothing
      {3, 2, 0xFE05},        // 01 02
      {561, 33, 0xE152},     // 01 .. 21
      {0, 0x20000, 0x0000},  // all zero
      {0x1234567, 0x20000, 0x4567},
      {0, 0x20001, 0xFF01},  // more bytes than the flash holds still wraps cleanly
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ImageChecksum(c.sum, c.count), c.checksum) << c.sum << " " << c.count;
  }
}

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\r\n") {
  std::string text;
  for (const char* line : lines) text += std::string(line) + end;
  return text;
}

TEST(ValidateHexFileTest, Files) {
  const std::string name = "C:\\FW\\TBX2105(0000).HEX";
  const std::string prefix = "The input file (C:\\FW\\TBX2105(0000).HEX) is not valid, ";
  const std::string type_error = prefix + "record type error.";
  const std::string thirty_three =
      ":210000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021AE";
  const struct {
    const char* what;
    std::string text;
    std::uint32_t expected;
    std::string reason;  // empty: valid
    std::uint32_t data_count;
    std::uint32_t longest;
  } cases[] = {
      {"end record only", Lines({":00000001FF"}), 0x0000, "", 0, 0},
      {"one zero byte", Lines({":0100000000FF", ":00000001FF"}), 0xFF01, "", 1, 1},
      {"wrong checksum", Lines({":0100000000FF", ":00000001FF"}), 0x0000,
       prefix + "checksum error.", 1, 1},
      {"lower case", Lines({":0270000001028b", ":00000001ff"}), 0xFE05, "", 2, 2},
      {"LF only", Lines({":0270000001028B", ":00000001FF"}, "\n"), 0xFE05, "", 2, 2},
      {"CR only", Lines({":0270000001028B", ":00000001FF"}, "\r"), 0xFE05, "", 2, 2},
      {"no final line end", ":0270000001028B\r\n:00000001FF", 0xFE05, "", 2, 2},
      {"segment, types 3-5 ignored",
       Lines({":020000021000EC", ":040000031000FF00EA", ":020000040001F9", ":0400000500001000E7",
              ":0270000001028B", ":00000001FF"}),
       0xFE05, "", 2, 2},
      {"trailing blank", Lines({":0100000000FF ", ":00000001FF"}), 0xFF01, type_error, 0, 0},
      {"count disagrees", Lines({":0200000000FF", ":00000001FF"}), 0xFF01, type_error, 0, 0},
      {"empty line before end", Lines({":0100000000FF", "", ":00000001FF"}), 0xFF01, type_error, 1,
       1},
      {"anything after the end is not read",
       Lines({":0100000000FF", ":00000001FF", "", "garbage", ":0100000000FF"}), 0xFF01, "", 1, 1},
      {"no end record", Lines({":0100000000FF"}), 0xFF01, prefix + "no end record.", 1, 1},
      {"empty file", "", 0x0000, prefix + "no end record.", 0, 0},
      // Validates; the programming pass is what refuses it.
      {"33-byte record", Lines({thirty_three.c_str(), ":00000001FF"}), 0xE152, "", 33, 33},
      {"count-0 data record", Lines({":00123400BA", ":00000001FF"}), 0x0000, "", 0, 0},
  };
  for (const auto& c : cases) {
    LineReader reader(c.text);
    const Validation v = ValidateHexFile(reader, name, c.expected);
    EXPECT_EQ(v.ok, c.reason.empty()) << c.what;
    EXPECT_EQ(v.reason, c.reason) << c.what;
    EXPECT_EQ(v.data_count, c.data_count) << c.what;
    EXPECT_EQ(v.longest_record, c.longest) << c.what;
  }
}

// A file whose lines cannot be read.
class FailingFile : public LineSource {
 public:
  bool AtEnd() const override { return false; }
  bool GetRecord(std::string&) override { return false; }
  void Rewind() override { ++rewinds; }
  int rewinds = 0;
};

TEST(ValidateHexFileTest, ReadFailureAndRewind) {
  FailingFile failing;
  const Validation v = ValidateHexFile(failing, "TBX2105(0000).HEX", 0);
  EXPECT_FALSE(v.ok);
  EXPECT_EQ(v.reason, "The input file (TBX2105(0000).HEX) is not valid, record error.");
  EXPECT_EQ(failing.rewinds, 1);

  // A second pass over the same reader starts from the top again.
  LineReader reader(Lines({":0100000000FF", ":00000001FF"}));
  EXPECT_TRUE(ValidateHexFile(reader, "X", 0xFF01).ok);
  EXPECT_TRUE(ValidateHexFile(reader, "X", 0xFF01).ok);
}

TEST(ValidateHexFileTest, ObjcopyFiles) {
  const struct {
    std::size_t size;
    std::uint32_t address;
  } cases[] = {
      {1, 0},         {16, 0}, {100, 0}, {4096, 0}, {70000, 0},  // past 64 KiB: segment records
      {100, 0x1FF00},  // near the top: a segment and a start-address (type 3) record
      {0x20000, 0},    // the whole flash
  };
  unsigned seed = 1;
  for (const auto& c : cases) {
    const common::Bytes bytes = testing::RandomBytes(c.size, seed++);
    std::string problem;
    const auto hex = testing::ObjcopyHex(bytes, c.address, problem);
    ASSERT_TRUE(hex) << problem;
    const testing::ReferenceImage image = testing::Reference(bytes, c.address);
    char name[64];
    std::snprintf(name, sizeof name, "/TMP/TBX2105(%04X).HEX", image.checksum);

    const NameOutcome outcome = CheckHexFileName(name, 0x21, 0x05).outcome;
    ASSERT_TRUE(outcome.accepted) << name;
    LineReader reader(*hex);
    const Validation v = ValidateHexFile(reader, name, outcome.expected_checksum);
    EXPECT_TRUE(v.ok) << name << ": " << v.reason;
    EXPECT_EQ(v.data_count, c.size) << name;
    // One checksum off, the same file is refused.
    const Validation wrong = ValidateHexFile(reader, name, (image.checksum + 1) & 0xFFFF);
    EXPECT_FALSE(wrong.ok) << name;
  }
}

}  // namespace
}  // namespace tessera::flash
