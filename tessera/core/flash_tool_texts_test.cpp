#include "tessera/core/flash_tool_texts.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::flash {
namespace {

using common::testing::B;

TEST(FlashToolTextsTest, Boxes) {
  using Kind = LaunchOutcome::Kind;
  const std::string record =
      "0x007000: 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B "
      "1C 1D 1E 1F 20 ";
  const std::pair<std::optional<ToolBox>, std::optional<std::string>> cases[] = {
      {LaunchToolBox({Kind::kAlreadyRunning, 0x40}), "Flash Program Already Loaded."},
      {LaunchToolBox({Kind::kStarted, 0x00}), "Load Flash Program Successful."},
      {ReadIdToolBox(DeviceCodes{0x1F, 0xB5}), "Device Mfg Code = 0x1F\r\n  Device ID Code = 0xB5"},
      {ReadIdToolBox(std::nullopt), std::nullopt},
      {EraseToolBox(true), "Erase Flash Successful"},
      {EraseToolBox(false), "Erase Flash Failed"},
      {ChecksumToolBox(8, 0x0ABC), "Checksum for 8 sectors = 0x0ABC"},
      {ChecksumToolBox(8, std::nullopt), std::nullopt},
      {ProgramToolBox({true, 0x00}), "Program Record Successful"},
      {ProgramToolBox({true, 0x10}), "Program Record Failed, Status=0x10"},
      {ReadRecordToolBox(kTestRecordAddress, TestRecordData()), record},
      {ReadRecordToolBox(0x1FFFE, B("FF 0A")), "0x01FFFE: FF 0A "},
      {RebootToolBox(true), "Reboot TBX Started"},
      {RebootToolBox(false), "No Response"},
  };
  for (const auto& [box, text] : cases) {
    EXPECT_EQ(box ? std::optional(box->title + "|" + box->text + (box->error ? "|error" : ""))
                  : std::nullopt,
              text ? std::optional("Flash Program|" + *text) : std::nullopt);
  }
  // A failed launch is an error box, whether refused or unanswered.
  for (const LaunchOutcome outcome : {LaunchOutcome{Kind::kRefused, 0xA0}, LaunchOutcome{}}) {
    const ToolBox box = LaunchToolBox(outcome);
    EXPECT_EQ(box.title + "|" + box.text + (box.error ? "|error" : ""),
              "Firmware Update Operation Error|Flash loader did not launch.|error");
  }
}

}  // namespace
}  // namespace tessera::flash
