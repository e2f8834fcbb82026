#include "tessera/flash/update_steps.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tessera/flash/test_hex_bytes.h"
#include "tessera/flash/test_objcopy.h"

namespace tessera::flash {
namespace {

using testing::B;
using testing::H;

UnitIdentity Identity(std::uint8_t comm, std::uint8_t type, std::uint8_t revision) {
  UnitIdentity identity;
  identity.CommVersion = comm;
  identity.FirmwareType = type;
  identity.FirmwareRevision = revision;
  return identity;
}

TEST(UpdateStepsTest, SupportCheck) {
  const struct {
    std::uint8_t comm;
    std::uint8_t revision;
    std::optional<std::string> refusal;
  } cases[] = {
      {0x22, 0x41,
       "This TBX firmware Revision level 4.1 does not support the field reflash upgrade "
       "operation."},
      {0x00, 0xA3,
       "This TBX firmware Revision level 10.3 does not support the field reflash upgrade "
       "operation."},
      {0x23, 0x41, std::nullopt},
      {0x30, 0x00, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SupportCheck(Identity(c.comm, 0x21, c.revision)), c.refusal) << int{c.comm};
  }
}

TEST(UpdateStepsTest, DeviceAndEraseChecks) {
  const struct {
    DeviceCodes codes;
    std::optional<std::string> refusal;
  } devices[] = {
      {{0x1F, 0xB5}, std::nullopt},
      {{0x00, 0x20}, std::nullopt},
      {{0xBF, 0x20}, std::nullopt},
      {{0x1F, 0x21}, "Unsupported device, Mfg = 0x1F, Device = 0x21"},
      {{0x01, 0x00}, "Unsupported device, Mfg = 0x1, Device = 0x0"},
  };
  for (const auto& c : devices) EXPECT_EQ(DeviceCheck(c.codes), c.refusal) << int{c.codes.device};

  EXPECT_EQ(EraseCheck(true, 0x0000), std::nullopt);
  EXPECT_EQ(EraseCheck(true, 0xFF01), "Flash did not erase.");  // a byte stayed 0x00
  EXPECT_EQ(EraseCheck(true, std::nullopt), "Flash did not erase.");
  EXPECT_EQ(EraseCheck(false, 0x0000), "Flash did not erase.");
}

TEST(UpdateStepsTest, RecordCheck) {
  const common::Bytes data = B("01 02 03");
  const ProgramOutcome programmed{true, 0x00};
  const struct {
    const char* what;
    ProgramOutcome program;
    std::optional<common::Bytes> read_back;
    std::optional<std::string> failure;
  } cases[] = {
      {"all good", programmed, B("01 02 03 FF"), std::nullopt},
      {"only the record's bytes count", programmed, B("01 02 03 00 00"), std::nullopt},
      {"differs", programmed, B("01 02 07"), "Flash verify byte error."},
      {"short read-back", programmed, B("01 02"), "Flash verify byte error."},
      {"no read-back", programmed, std::nullopt, "Flash read byte error."},
      // The last failure's text stands.
      {"status only", {true, 0x10}, B("01 02 03"), "Flash program byte error: Status = 0x10"},
      {"status then differs", {true, 0x10}, B("FF FF FF"), "Flash verify byte error."},
      {"no answer, no read-back", {}, std::nullopt, "Flash read byte error."},
      {"no answer, read back fine", {}, B("01 02 03"), "Flash program byte error: Status = 0x0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecordCheck(c.program, c.read_back, data), c.failure) << c.what;
  }
}

TEST(UpdateStepsTest, Texts) {
  EXPECT_EQ(NewChecksumCheck(0x9F3C, 0x9F3C), std::nullopt);
  EXPECT_EQ(NewChecksumCheck(0x1234, 0x9F3C),
            "The new firmware checksum (0x1234) does not match expected (0x9F3C).");
  EXPECT_EQ(NewChecksumCheck(0x0000, 0x12345),
            "The new firmware checksum (0x0) does not match expected (0x12345).");
  EXPECT_EQ(NewChecksumCheck(std::nullopt, 0x9F3C), "The new checksum could not be retrieved.");

  EXPECT_EQ(RecordTooLongText(0x1A000, 33),
            "Flash program byte error: the record at 0x1A000 has 33 data bytes, more than the 32 "
            "the loader takes.");
  EXPECT_EQ(ProgramErrorText(0x0F), "Flash program byte error: Status = 0xF");

  EXPECT_EQ(SummaryText("C:\\FW\\TBX2105(9F3C).HEX", Identity(0x23, 0x21, 0x05)),
            "Firmware Update Successfully Completed:\r\n"
            "   File Name: C:\\FW\\TBX2105(9F3C).HEX\r\n"
            "\r\n"
            "   KAL Model TBX-540\r\n"
            "   Firmware Type 21\r\n"
            "   Firmware Version 0.5\r\n"
            "   Comm Version 2.3\r\n");
  // Nibbles in decimal, no separator in the type.
  EXPECT_EQ(SummaryText("X", Identity(0x3C, 0x07, 0xB1)),
            "Firmware Update Successfully Completed:\r\n"
            "   File Name: X\r\n"
            "\r\n"
            "   KAL Model TBX-540\r\n"
            "   Firmware Type 07\r\n"
            "   Firmware Version 11.1\r\n"
            "   Comm Version 3.12\r\n");
  EXPECT_EQ(ReFlashContext("/FW/A.HEX"),
            "Error occurred while attempting to process KAL Hex file:\r\n\"/FW/A.HEX\"");
  EXPECT_EQ(
      std::string(kCautionText),
      "Caution: This firmware update operation must be performed with stable AC power to the "
      "TBX and MUST NOT BE INTERRUPTED.\r\nIf this operation is interrupted, the TBX may need "
      "to be returned to the factory for repair.\r\n\r\nDo you want to continue with the "
      "firmware update operation?");
}

TEST(UpdateStepsTest, ProgressNeverReachesHundred) {
  const struct {
    std::uint64_t programmed;
    std::uint64_t total;
    std::optional<int> value;
  } cases[] = {
      {0, 100, 0},
      {16, 100, 16},
      {99, 100, 99},
      {100, 100, std::nullopt},
      {1, 3, 33},
      {2, 3, 66},
      {0, 0, std::nullopt},
      {120, 100, std::nullopt},
      {0x1FFFF, 0x20000, 99},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgressValue(c.programmed, c.total), c.value) << c.programmed << "/" << c.total;
  }
}

struct PassResult {
  std::vector<std::string> records;  // "address: bytes"
  std::optional<std::string> error;
  std::vector<int> progress;
};

PassResult RunPass(LineSource& file, std::uint32_t total) {
  ProgrammingPass pass(file, "C:\\TBX2105(0000).HEX", total);
  pass.Start();
  PassResult result;
  while (auto record = pass.Next()) {
    char address[16];
    std::snprintf(address, sizeof address, "%05X: ", record->address);
    result.records.push_back(address + H(record->data));
    if (auto value = pass.Programmed(record->data.size())) result.progress.push_back(*value);
  }
  result.error = pass.error();
  return result;
}

TEST(ProgrammingPassTest, Records) {
  const std::string prefix = "The input file (C:\\TBX2105(0000).HEX) is not valid, ";
  const struct {
    const char* what;
    std::string text;
    std::uint32_t total;
    std::vector<std::string> records;
    std::optional<std::string> error;
    std::vector<int> progress;
  } cases[] = {
      {"offsets",
       ":0270000001028B\r\n:01FFFF005AA7\r\n:00000001FF\r\n",
       3,
       {"07000: 01 02", "0FFFF: 5A"},
       std::nullopt,
       {66}},
      {"segment base times 16",
       ":020000021000EC\r\n:0270000001028B\r\n:020000020000FC\r\n:01FFFF005AA7\r\n:00000001FF\r\n",
       3,
       {"17000: 01 02", "0FFFF: 5A"},
       std::nullopt,
       {66}},
      {"types 3-5 and count-0 data are skipped",
       ":040000031000FF00EA\r\n:00123400BA\r\n:020000040001F9\r\n:0270000001028B\r\n"
       ":00000001FF\r\n",
       2,
       {"07000: 01 02"},
       std::nullopt,
       {}},
      {"nothing after the end record",
       ":0270000001028B\r\n:00000001FF\r\n:01FFFF005AA7\r\nxx\r\n",
       2,
       {"07000: 01 02"},
       std::nullopt,
       {}},
      {"no end record",
       ":0270000001028B\r\n",
       2,
       {"07000: 01 02"},
       "Input file record error, no end record.",
       {}},
      {"bad record",
       ":0270000001028B\r\n:0270000001028C\r\n:00000001FF\r\n",
       4,
       {"07000: 01 02"},
       prefix + "record type error (2).",
       {50}},
      {"33 bytes are handed over whole; the driver refuses them",
       ":210000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021AE\r\n"
       ":00000001FF\r\n",
       33,
       {"00000: 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B "
        "1C 1D 1E 1F 20 21"},
       std::nullopt,
       {}},
  };
  for (const auto& c : cases) {
    LineReader reader(c.text);
    const PassResult result = RunPass(reader, c.total);
    EXPECT_EQ(result.records, c.records) << c.what;
    EXPECT_EQ(result.error, c.error) << c.what;
    EXPECT_EQ(result.progress, c.progress) << c.what;
    // Each attempt starts over from the top with a clean state.
    EXPECT_EQ(RunPass(reader, c.total).records, c.records) << c.what << ", again";
  }
}

class FailingFile : public LineSource {
 public:
  bool AtEnd() const override { return false; }
  bool GetRecord(std::string&) override { return false; }
  void Rewind() override {}
};

TEST(ProgrammingPassTest, ReadFailure) {
  FailingFile file;
  EXPECT_EQ(RunPass(file, 0).error,
            "The input file (C:\\TBX2105(0000).HEX) is not valid, record error (2).");
}

TEST(ProgrammingPassTest, ObjcopyImagesLandWhereTheyBelong) {
  const struct {
    std::size_t size;
    std::uint32_t address;
  } cases[] = {{70000, 0}, {300, 0x1FE00}, {0x20000, 0}};
  unsigned seed = 100;
  for (const auto& c : cases) {
    const common::Bytes bytes = testing::RandomBytes(c.size, seed++);
    std::string problem;
    const auto hex = testing::ObjcopyHex(bytes, c.address, problem);
    ASSERT_TRUE(hex) << problem;
    LineReader reader(*hex);
    ProgrammingPass pass(reader, "X", static_cast<std::uint32_t>(c.size));
    pass.Start();
    common::Bytes flash(0x20000, 0xFF);
    while (auto record = pass.Next()) {
      ASSERT_LE(record->address + record->data.size(), flash.size());
      std::copy(record->data.begin(), record->data.end(), flash.begin() + record->address);
      pass.Programmed(record->data.size());
    }
    EXPECT_EQ(pass.error(), std::nullopt);
    EXPECT_EQ(pass.bytes_programmed(), c.size);
    EXPECT_TRUE(flash == testing::Reference(bytes, c.address).flash) << c.size;
  }
}

}  // namespace
}  // namespace tessera::flash
