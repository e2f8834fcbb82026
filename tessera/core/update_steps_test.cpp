#include "tessera/core/update_steps.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::flash {
namespace {

using common::testing::B;
using common::testing::H;

// The texts the update shows are checked with it against the simulated unit; here the
// verdicts it does not reach.
TEST(UpdateStepsTest, Checks) {
  EXPECT_EQ(std::tuple(SupportCheck({.comm_version = 0x23, .firmware_revision = 0x41}),
                       DeviceCheck({0x1F, 0xB5}), DeviceCheck({0xBF, 0x20}), EraseCheck(true, 0)),
            std::tuple(std::nullopt, std::nullopt, std::nullopt, std::nullopt));
  EXPECT_EQ(std::tuple(EraseCheck(false, 0x0000), NewChecksumCheck(std::nullopt, 0x9F3C)),
            std::tuple("Flash did not erase.", "The new checksum could not be retrieved."));
  EXPECT_EQ(RecordTooLongText(0x1A000, 33),
            "Flash program byte error: the record at 0x1A000 has 33 data bytes, more than the 32 "
            "the loader takes.");
}

TEST(UpdateStepsTest, RecordCheck) {
  const common::Bytes data = B("01 02 03");
  const ProgramOutcome done{true, 0x00};
  const std::tuple<ProgramOutcome, std::optional<common::Bytes>, std::optional<std::string>>
      cases[] = {
          {done, B("01 02 03 FF"), std::nullopt},  // only the record's bytes count
          {done, B("01 02 07"), "Flash verify byte error."},
          {done, std::nullopt, "Flash read byte error."},
          // The last failure's text stands.
          {{true, 0x10}, B("01 02 03"), "Flash program byte error: Status = 0x10"},
          {{true, 0x10}, B("FF FF FF"), "Flash verify byte error."},
      };
  for (const auto& [program, read_back, failure] : cases) {
    EXPECT_EQ(RecordCheck(program, read_back, data), failure)
        << int{program.status} << " " << (read_back ? H(*read_back) : "none");
  }
}

TEST(UpdateStepsTest, SummaryAndProgress) {
  EXPECT_EQ(SummaryText("C:\\FW\\TBX2105(9F3C).HEX",
                        {.comm_version = 0x3C, .firmware_type = 0x07, .firmware_revision = 0xB1}),
            "Firmware Update Successfully Completed:\r\n"
            "   File Name: C:\\FW\\TBX2105(9F3C).HEX\r\n"
            "\r\n"
            "   KAL Model TBX-540\r\n"
            "   Firmware Type 07\r\n"
            "   Firmware Version 11.1\r\n"
            "   Comm Version 3.12\r\n");
  const std::tuple<std::uint64_t, std::uint64_t, std::optional<int>> cases[] = {
      {99, 100, 99}, {100, 100, std::nullopt}, {0, 0, std::nullopt}, {0x1FFFF, 0x20000, 99}};
  for (const auto& [done, total, value] : cases) EXPECT_EQ(ProgressValue(done, total), value);
}

struct PassResult {
  std::string records;  // "address: bytes; ..."
  std::optional<std::string> error;
  std::vector<int> progress;
};

PassResult RunPass(LineSource& file, std::uint32_t total) {
  ProgrammingPass pass(file, "C:\\A(0).HEX", total);
  pass.Start();
  PassResult result;
  while (auto record = pass.Next()) {
    char address[16];
    std::snprintf(address, sizeof address, "%05X: ", record->address);
    result.records += address + H(record->data) + "; ";
    if (auto value = pass.Programmed(record->data.size())) result.progress.push_back(*value);
  }
  result.error = pass.error();
  return result;
}

TEST(ProgrammingPassTest, Records) {
  const std::string end = ":00000001FF\r\n";
  const std::string seg1 = ":020000021000EC\r\n";  // segment 0x1000: base 0x10000
  const std::string at_7000 = ":0270000001028B\r\n", at_ffff = ":01FFFF005AA7\r\n";
  const std::string skipped = ":040000031000FF00EA\r\n:00123400BA\r\n:0400000500001000E7\r\n";
  const std::string linear1 = ":020000040001F9\r\n";
  // Text, bytes in all, records as programmed, error, progress values.
  using Case = std::tuple<std::string, std::uint32_t, std::string, std::optional<std::string>,
                          std::vector<int>>;
  const Case cases[] = {
      // clang-format off
      {at_7000 + at_ffff + end, 3, "07000: 01 02; 0FFFF: 5A; ", std::nullopt, {66}},
      // Types 3 and 5 and data records without data are skipped; a linear record (4)
      // moves what follows by 64 KiB steps, and a segment record after it takes over.
      {skipped + at_7000 + end, 2, "07000: 01 02; ", std::nullopt, {}},
      {linear1 + at_7000 + seg1 + at_ffff + end, 3, "17000: 01 02; 1FFFF: 5A; ", std::nullopt, {66}},
      {at_7000, 2, "07000: 01 02; ", "Input file record error, no end record.", {}},
      {at_7000 + ":0270000001028C\r\n" + end, 4, "07000: 01 02; ",
       "The input file (C:\\A(0).HEX) is not valid, record type error (2).", {50}},
      // clang-format on
  };
  for (const auto& [text, total, records, error, progress] : cases) {
    LineReader reader(text);
    const PassResult result = RunPass(reader, total);
    // Each attempt starts over from the top with a clean state.
    EXPECT_EQ(
        std::tuple(result.records, result.error, result.progress, RunPass(reader, total).records),
        std::tuple(records, error, progress, records))
        << text;
  }
}

}  // namespace
}  // namespace tessera::flash
