#include "tessera/flash/flash_tool_texts.h"

#include <gtest/gtest.h>

#include "tessera/flash/test_hex_bytes.h"

namespace tessera::flash {
namespace {

using testing::B;

constexpr char kTool[] = "Flash Program";

void ExpectBox(const std::optional<ToolBox>& box, const std::optional<std::string>& text,
               const char* what) {
  ASSERT_EQ(box.has_value(), text.has_value()) << what;
  if (!box) return;
  EXPECT_EQ(box->title, kTool) << what;
  EXPECT_EQ(box->text, *text) << what;
  EXPECT_FALSE(box->error) << what;
}

TEST(FlashToolTextsTest, Boxes) {
  using Kind = LaunchOutcome::Kind;
  const struct {
    const char* what;
    std::optional<ToolBox> box;
    std::optional<std::string> text;
  } cases[] = {
      {"launch, already", LaunchToolBox({Kind::kAlreadyRunning, 0x40}),
       "Flash Program Already Loaded."},
      {"launch, started", LaunchToolBox({Kind::kStarted, 0x00}), "Load Flash Program Successful."},
      {"read id", ReadIdToolBox(DeviceCodes{0x1F, 0xB5}),
       "Device Mfg Code = 0x1F\r\n  Device ID Code = 0xB5"},
      {"read id, small codes", ReadIdToolBox(DeviceCodes{0x01, 0x00}),
       "Device Mfg Code = 0x1\r\n  Device ID Code = 0x0"},
      {"read id, no answer", ReadIdToolBox(std::nullopt), std::nullopt},
      {"erase ok", EraseToolBox(true), "Erase Flash Successful"},
      {"erase failed", EraseToolBox(false), "Erase Flash Failed"},
      {"checksum erased", ChecksumToolBox(8, 0x0000), "Checksum for 8 sectors = 0x0000"},
      {"checksum", ChecksumToolBox(8, 0x0ABC), "Checksum for 8 sectors = 0x0ABC"},
      {"checksum full", ChecksumToolBox(8, 0xFF01), "Checksum for 8 sectors = 0xFF01"},
      {"checksum, no answer", ChecksumToolBox(8, std::nullopt), std::nullopt},
      {"program ok", ProgramToolBox({true, 0x00}), "Program Record Successful"},
      {"program failed", ProgramToolBox({true, 0x10}), "Program Record Failed, Status=0x10"},
      {"program, no answer", ProgramToolBox({}), "Program Record Failed, Status=0x0"},
      {"read record", ReadRecordToolBox(kTestRecordAddress, TestRecordData()),
       "0x007000: 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A "
       "1B 1C 1D 1E 1F 20 "},
      {"read record, high address", ReadRecordToolBox(0x1FFFE, B("FF 0A")), "0x01FFFE: FF 0A "},
      {"read record, no answer", ReadRecordToolBox(kTestRecordAddress, std::nullopt), std::nullopt},
      {"reboot", RebootToolBox(true), "Reboot TBX Started"},
      {"reboot, no answer", RebootToolBox(false), "No Response"},
  };
  for (const auto& c : cases) ExpectBox(c.box, c.text, c.what);
}

TEST(FlashToolTextsTest, FailedLaunchIsAnErrorBox) {
  for (const LaunchOutcome outcome :
       {LaunchOutcome{LaunchOutcome::Kind::kRefused, 0xA0}, LaunchOutcome{}}) {
    const ToolBox box = LaunchToolBox(outcome);
    EXPECT_EQ(box.title, "Firmware Update Operation Error");
    EXPECT_EQ(box.text, "Flash loader did not launch.");
    EXPECT_TRUE(box.error);
  }
}

TEST(FlashToolTextsTest, MenuAndTestRecord) {
  EXPECT_EQ(std::vector<std::string>(kFlashToolCaptions.begin(), kFlashToolCaptions.end()),
            (std::vector<std::string>{"Launch", "Read ID", "Erase", "Calculate CS",
                                      "Program Record", "Read Record", "Reboot TBX"}));
  EXPECT_EQ(kTestRecordAddress, 0x7000u);
  EXPECT_EQ(TestRecordData(),
            B("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B "
              "1C 1D 1E 1F 20"));
}

}  // namespace
}  // namespace tessera::flash
