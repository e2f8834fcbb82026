#include "tessera/core/hex_file.h"

#include <limits>

#include "common/core/hex_text.h"

namespace tessera::flash {
namespace {

constexpr char kCrLf[] = "\r\n";

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Characters `start` (1-based) .. start + length - 1, clipped to the text.
std::string_view Mid(std::string_view text, std::size_t start, std::size_t length) {
  if (start < 1 || start > text.size()) return {};
  return text.substr(start - 1, length);
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string InputFileText(std::string_view hex_file_name, std::string_view rest) {
  return "The input file (" + std::string(hex_file_name) + ")" + std::string(rest);
}

constexpr char kContinueQuestion[] = "Do you want to continue with the firmware update?";

}  // namespace

std::uint32_t HexVal(std::string_view text) {
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = DigitValue(c);
    if (digit < 0) break;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > std::numeric_limits<std::uint32_t>::max()) {
      return std::numeric_limits<std::uint32_t>::max();
    }
  }
  return static_cast<std::uint32_t>(value);
}

PathParts SplitPath(std::string_view path) {
  PathParts parts;
  parts.FullPath = TrimBlanks(path);
  if (parts.FullPath.empty()) return parts;
  const std::size_t separator = parts.FullPath.find_last_of("\\/");
  if (separator == std::string::npos) {
    parts.FileName = parts.FullPath;
  } else {
    parts.Path = parts.FullPath.substr(0, separator + 1);
    parts.FileName = parts.FullPath.substr(separator + 1);
  }
  const std::size_t dot = parts.FileName.rfind('.');
  if (dot != std::string::npos) {
    parts.Extension = parts.FileName.substr(dot + 1);
    parts.BaseName = parts.FileName.substr(0, dot);
  }
  return parts;
}

NameOutcome NameCheck::Resolve(const std::function<bool(const NameQuestion&)>& ask) const {
  for (const NameQuestion& question : questions) {
    if (!ask(question)) return {false, kUpdateCancelledText, {}, 0};
  }
  return outcome;
}

NameCheck CheckHexFileName(std::string_view hex_file_name, std::uint8_t unit_firmware_type,
                           std::uint8_t unit_firmware_revision) {
  NameCheck check;
  // Every rejection but a cancelled question says how the name should look.
  check.outcome.detail = kNamePatternText;
  std::string upper(hex_file_name);
  for (char& c : upper) c = AsciiUpper(c);
  const PathParts parts = SplitPath(upper);
  const std::string& base = parts.BaseName;
  if (base.empty()) {
    // An empty box would leave the technician guessing.
    const bool no_dot = parts.FileName.find('.') == std::string::npos;
    check.outcome.reason = InputFileText(
        hex_file_name, no_dot ? " has no extension." : " has no name before its extension.");
    return check;
  }

  std::string model(Mid(base, 1, 3));
  for (char& c : model) c = AsciiLower(c);
  if (model != "tbx") {
    check.outcome.reason =
        InputFileText(hex_file_name,
                      " is intended for an different model than the current target model TBX-540.");
    return check;
  }

  const std::uint32_t file_type = HexVal(Mid(base, 4, 2));
  const std::uint32_t file_revision = HexVal(Mid(base, 6, 2));
  if (file_type != unit_firmware_type) {
    check.questions.push_back(
        {NameQuestion::Kind::kVersionType,
         InputFileText(hex_file_name, " is for an different firmware Version Type (" +
                                          common::HexNumber(file_type) +
                                          ") than the current installed version (" +
                                          common::HexNumber(unit_firmware_type) + ")." + kCrLf +
                                          kCrLf + kContinueQuestion)});
  }
  if (file_revision == 0) {
    check.outcome.reason =
        InputFileText(hex_file_name, " does not contain a valid revision level (" +
                                         common::HexNumber(file_revision) + ")");
    return check;
  }
  if (unit_firmware_revision > file_revision) {
    check.questions.push_back(
        {NameQuestion::Kind::kRevision,
         InputFileText(hex_file_name, " is for an earlier firmware revision (" +
                                          common::HexNumber(file_revision) +
                                          ") than the current installed revision (" +
                                          common::HexNumber(unit_firmware_revision) + ")." + kCrLf +
                                          kCrLf + kContinueQuestion)});
  }

  // The checksum sits between the last "(" and the last ")", neither of them first.
  const std::size_t open = base.rfind('(');
  const std::size_t close = base.rfind(')');
  if (open != std::string::npos && close != std::string::npos && open >= 1 && close > open + 1) {
    check.outcome.accepted = true;
    check.outcome.detail.clear();
    check.outcome.expected_checksum =
        HexVal(std::string_view(base).substr(open + 1, close - open - 1));
  } else {
    check.outcome.reason =
        "CS Parameter missing in filename: (" + std::string(hex_file_name) + ").";
  }
  return check;
}

bool ParseHexRecord(std::string_view line, HexRecord& record) {
  record = HexRecord{};
  if (line.empty() || line[0] != ':') return false;  // type stays -1
  const std::uint32_t count = HexVal(Mid(line, 2, 2));
  record.type = static_cast<int>(HexVal(Mid(line, 8, 2)));
  if (line.size() != 11 + 2 * count) return false;
  // A base record without exactly its two bytes would put the data elsewhere.
  if ((record.type == kRecordSegment || record.type == kRecordLinear) && count != 2) return false;

  std::uint32_t sum = count + static_cast<std::uint32_t>(record.type) + HexVal(Mid(line, 4, 2)) +
                      HexVal(Mid(line, 6, 2));
  for (std::size_t pos = 10; pos + 3 <= line.size(); pos += 2) sum += HexVal(Mid(line, pos, 2));

  if (record.type == kRecordData) {
    record.address = HexVal(Mid(line, 4, 4));
    record.data.reserve(count);
    for (std::uint32_t i = 1; i <= count; ++i) {
      const auto byte = static_cast<std::uint8_t>(HexVal(Mid(line, 2 * i + 8, 2)));
      record.data.push_back(byte);
      record.data_sum += byte;
    }
    record.data_count = count;
  } else if (record.type == kRecordSegment || record.type == kRecordLinear) {
    record.address = HexVal(Mid(line, 10, 4));
  }
  return (((sum ^ 0xFF) + 1) & 0xFF) == HexVal(Mid(line, line.size() - 1, 2));
}

std::uint32_t NextBaseAddress(const HexRecord& record, std::uint32_t base) {
  if (record.type == kRecordSegment) return record.address * 16;
  // Ignoring a linear record would program its data 64 KiB too low and the
  // position-blind image checksum would still match.
  if (record.type == kRecordLinear) return record.address << 16;
  return base;
}

std::uint16_t ImageChecksum(std::uint32_t data_sum, std::uint32_t data_count) {
  // Unsigned wrap-around keeps the result right modulo 0x10000 even past 128 KiB.
  return static_cast<std::uint16_t>(((kFlashSize - data_count) * 255u + data_sum) & 0xFFFF);
}

Validation ValidateHexFile(LineSource& file, std::string_view hex_file_name,
                           std::uint32_t expected_checksum) {
  Validation result;
  bool failed = false;
  bool end_seen = false;
  std::uint32_t base = 0;
  int line_number = 0;
  file.Rewind();
  while (!failed && !end_seen && !file.AtEnd()) {
    std::string line;
    HexRecord record;
    ++line_number;
    if (!file.GetRecord(line)) {
      failed = true;
      result.reason = InputFileText(hex_file_name, " is not valid, record error.");
    } else if (!ParseHexRecord(line, record)) {
      failed = true;
      result.reason = InputFileText(hex_file_name, " is not valid, record type error.");
    } else if (record.type == kRecordData) {
      const std::uint64_t address = std::uint64_t{base} + record.address;
      if (record.data_count > kMaxRecordBytes) {
        // The unit would be erased first and then fail at this record three times.
        failed = true;
        result.reason = InputFileText(hex_file_name, " is not valid, the record at line " +
                                                         std::to_string(line_number) + " has " +
                                                         std::to_string(record.data_count) +
                                                         " data bytes (the loader takes at most " +
                                                         std::to_string(kMaxRecordBytes) + ").");
      } else if (record.data_count > 0 && address + record.data_count > kFlashSize) {
        failed = true;
        result.reason = InputFileText(
            hex_file_name, " is not valid, the record at line " + std::to_string(line_number) +
                               " lies outside the 128 KiB flash (address 0x" +
                               common::HexNumber(static_cast<std::uint32_t>(address)) + ").");
      }
      result.data_sum += record.data_sum;
      result.data_count += record.data_count;
      if (record.data_count > 0) ++result.data_records;
      if (record.data_count > result.longest_record) result.longest_record = record.data_count;
    } else if (record.type == kRecordEnd) {
      end_seen = true;
      const std::uint16_t image = ImageChecksum(result.data_sum, result.data_count);
      if (image != expected_checksum) {
        failed = true;
        result.reason = InputFileText(hex_file_name, " is not valid, checksum error.");
        result.detail = "Checksum of the image in the file: 0x" + common::HexNumber(image) +
                        "; checksum in its name: 0x" + common::HexNumber(expected_checksum) + ".";
      }
    } else {
      base = NextBaseAddress(record, base);
    }
  }
  if (!failed && !end_seen) {
    failed = true;
    result.reason = InputFileText(hex_file_name, " is not valid, no end record.");
  }
  result.ok = !failed;
  return result;
}

}  // namespace tessera::flash
