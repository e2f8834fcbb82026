#include "tessera/core/flash_tool_texts.h"

#include "common/core/hex_text.h"
#include "tessera/core/hex_file.h"
#include "tessera/core/update_steps.h"

namespace tessera::flash {
namespace {

constexpr char kToolTitle[] = "Flash Program";

ToolBox Box(std::string text) { return {kToolTitle, std::move(text), false}; }

}  // namespace

common::Bytes TestRecordData() {
  common::Bytes data(kMaxRecordData);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  return data;
}

ToolBox LaunchToolBox(const LaunchOutcome& outcome) {
  switch (outcome.kind) {
    case LaunchOutcome::Kind::kAlreadyRunning:
      return Box("Flash Program Already Loaded.");
    case LaunchOutcome::Kind::kStarted:
      return Box("Load Flash Program Successful.");
    case LaunchOutcome::Kind::kNoResponse:
    case LaunchOutcome::Kind::kRefused:
      break;
  }
  return {kUpdateErrorTitle, kLaunchFailedText, true};
}

std::optional<ToolBox> ReadIdToolBox(const std::optional<DeviceCodes>& codes) {
  if (!codes) return std::nullopt;
  return Box("Device Mfg Code = 0x" + common::HexNumber(codes->manufacturer) +
             "\r\n  Device ID Code = 0x" + common::HexNumber(codes->device));
}

ToolBox EraseToolBox(bool erased) {
  return Box(erased ? "Erase Flash Successful" : "Erase Flash Failed");
}

std::optional<ToolBox> ChecksumToolBox(int sectors, const std::optional<std::uint16_t>& checksum) {
  if (!checksum) return std::nullopt;
  std::string digits = common::HexNumber(*checksum);
  digits.insert(0, 4 - digits.size(), '0');
  return Box("Checksum for " + std::to_string(sectors) + " sectors = 0x" + digits);
}

ToolBox ProgramToolBox(const ProgramOutcome& outcome) {
  if (outcome.ok()) return Box("Program Record Successful");
  return Box("Program Record Failed, Status=0x" + common::HexNumber(outcome.status));
}

std::optional<ToolBox> ReadRecordToolBox(std::uint32_t address,
                                         const std::optional<common::Bytes>& bytes) {
  if (!bytes) return std::nullopt;
  std::string text = "0x" + common::HexNumber((address >> 16) & 0xFF, 2) +
                     common::HexNumber((address >> 8) & 0xFF, 2) +
                     common::HexNumber(address & 0xFF, 2) + ": ";
  for (std::uint8_t byte : *bytes) text += common::HexNumber(byte, 2) + " ";
  return Box(std::move(text));
}

ToolBox RebootToolBox(bool restarted) {
  return Box(restarted ? "Reboot TBX Started" : "No Response");
}

}  // namespace tessera::flash
