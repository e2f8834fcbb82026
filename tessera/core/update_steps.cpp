#include "tessera/core/update_steps.h"

#include <utility>

#include "common/core/hex_text.h"
#include "tessera/core/hex_file.h"

namespace tessera::flash {

std::optional<std::string> SupportCheck(const UnitIdentity& identity) {
  if (identity.comm_version >= kMinReflashCommVersion) return std::nullopt;
  return "This TBX firmware Revision level " + NibbleVersionText(identity.firmware_revision) +
         " does not support the field reflash upgrade operation.";
}

std::optional<std::string> DeviceCheck(const DeviceCodes& codes) {
  if (codes.device == 0xB5 || codes.device == 0x20) return std::nullopt;
  return "Unsupported device, Mfg = 0x" + common::HexNumber(codes.manufacturer) + ", Device = 0x" +
         common::HexNumber(codes.device);
}

std::optional<std::string> EraseCheck(bool erase_ok, std::optional<std::uint16_t> checksum) {
  // 131072 bytes of 0xFF sum to 0 modulo 0x10000.
  if (erase_ok && checksum == std::uint16_t{0}) return std::nullopt;
  return kEraseFailedText;
}

std::string RecordTooLongText(std::uint32_t address, std::size_t count) {
  return "Flash program byte error: the record at 0x" + common::HexNumber(address) + " has " +
         std::to_string(count) + " data bytes, more than the " + std::to_string(kMaxRecordData) +
         " the loader takes.";
}

std::string ProgramErrorText(std::uint8_t status) {
  return "Flash program byte error: Status = 0x" + common::HexNumber(status);
}

std::optional<std::string> RecordCheck(const ProgramOutcome& program,
                                       const std::optional<common::Bytes>& read_back,
                                       common::ByteView data) {
  std::optional<std::string> failure;
  if (!program.ok()) failure = ProgramErrorText(program.status);
  if (!read_back) return kReadBackFailedText;
  bool same = read_back->size() >= data.size();
  for (std::size_t i = 0; same && i < data.size(); ++i) same = (*read_back)[i] == data[i];
  if (!same) failure = kVerifyFailedText;
  return failure;
}

std::optional<std::string> NewChecksumCheck(std::optional<std::uint16_t> checksum,
                                            std::uint32_t expected) {
  if (!checksum) return kNoNewChecksumText;
  if (*checksum == expected) return std::nullopt;
  return "The new firmware checksum (0x" + common::HexNumber(*checksum) +
         ") does not match expected (0x" + common::HexNumber(expected) + ").";
}

std::string SummaryText(std::string_view hex_file_name, const UnitIdentity& identity) {
  return "Firmware Update Successfully Completed:\r\n"
         "   File Name: " +
         std::string(hex_file_name) +
         "\r\n"
         "\r\n"
         "   KAL Model TBX-540\r\n"
         "   Firmware Type " +
         NibbleVersionText(identity.firmware_type, "") +
         "\r\n"
         "   Firmware Version " +
         NibbleVersionText(identity.firmware_revision) +
         "\r\n"
         "   Comm Version " +
         NibbleVersionText(identity.comm_version) + "\r\n";
}

std::string ReFlashContext(std::string_view hex_file_name) {
  return "Error occurred while attempting to process KAL Hex file:\r\n\"" +
         std::string(hex_file_name) + "\"";
}

std::string PhaseText(UpdatePhase phase, int attempt) {
  std::string text;
  switch (phase) {
    case UpdatePhase::kNone:
      return text;
    case UpdatePhase::kLaunch:
      text = "Launching the flash loader";
      break;
    case UpdatePhase::kErase:
      text = "Erasing the flash";
      break;
    case UpdatePhase::kProgram:
      text = "Programming and verifying the records";
      break;
    case UpdatePhase::kChecksum:
      text = "Checking the flash checksum";
      break;
    case UpdatePhase::kReboot:
      text = "Rebooting the TBX";
      break;
  }
  if (attempt > 1) {
    text += " (attempt " + std::to_string(attempt) + " of " + std::to_string(kProgrammingAttempts) +
            ")";
  }
  return text;
}

std::optional<int> ProgressValue(std::uint64_t programmed, std::uint64_t total) {
  if (programmed >= total) return std::nullopt;
  return static_cast<int>(programmed * 100 / total);
}

ProgrammingPass::ProgrammingPass(LineSource& file, std::string hex_file_name,
                                 std::uint32_t data_total)
    : file_(file), hex_file_name_(std::move(hex_file_name)), data_total_(data_total) {}

void ProgrammingPass::Start() {
  file_.Rewind();
  base_ = 0;
  programmed_ = 0;
  end_seen_ = false;
  error_.reset();
}

std::optional<FlashRecord> ProgrammingPass::Next() {
  while (!error_ && !end_seen_ && !file_.AtEnd()) {
    std::string line;
    HexRecord record;
    if (!file_.GetRecord(line)) {
      error_ = "The input file (" + hex_file_name_ + ") is not valid, record error (2).";
    } else if (!ParseHexRecord(line, record)) {
      error_ = "The input file (" + hex_file_name_ + ") is not valid, record type error (2).";
    } else if (record.type == kRecordEnd) {
      end_seen_ = true;
    } else if (record.type == kRecordData) {
      if (!record.data.empty()) return FlashRecord{record.address + base_, std::move(record.data)};
    } else {
      base_ = NextBaseAddress(record, base_);
    }
  }
  if (!error_ && !end_seen_) error_ = kNoEndRecordText;
  return std::nullopt;
}

std::optional<int> ProgrammingPass::Programmed(std::size_t count) {
  programmed_ += count;
  return ProgressValue(programmed_, data_total_);
}

}  // namespace tessera::flash
