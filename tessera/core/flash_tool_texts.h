// The Flash Tools items: one loader operation each, its outcome shown in a box.
// What each box says; the menu itself belongs to the main window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/core/bytes.h"
#include "tessera/core/loader.h"

namespace tessera::flash {

// The Flash Tools items' captions.
inline constexpr std::array<const char*, 7> kFlashToolCaptions = {
    "Launch", "Read ID", "Erase", "Calculate CS", "Program Record", "Read Record", "Reboot TBX"};

// The test record "Program Record" writes and "Read Record" reads: 32 bytes
// 1, 2, ..., 32 at 0x7000.
inline constexpr std::uint32_t kTestRecordAddress = 0x7000;
common::Bytes TestRecordData();

// One item's box: OK button, no icon and title "Flash Program" unless `error`
// (error icon, title "Firmware Update Operation Error").
struct ToolBox {
  std::string title;
  std::string text;
  bool error = false;
};

ToolBox LaunchToolBox(const LaunchOutcome& outcome);
// No box without an answer.
std::optional<ToolBox> ReadIdToolBox(const std::optional<DeviceCodes>& codes);
ToolBox EraseToolBox(bool erased);
std::optional<ToolBox> ChecksumToolBox(int sectors, const std::optional<std::uint16_t>& checksum);
ToolBox ProgramToolBox(const ProgramOutcome& outcome);
std::optional<ToolBox> ReadRecordToolBox(std::uint32_t address,
                                         const std::optional<common::Bytes>& bytes);
ToolBox RebootToolBox(bool restarted);

}  // namespace tessera::flash
