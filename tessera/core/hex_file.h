// The firmware file: its name convention (model, version type, revision, image
// checksum), Intel HEX records as this system reads them, the image checksum that
// ties a file to the unit's flash, and the validation pass run before the unit is
// touched. Plain C++; the caller supplies the lines.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/bytes.h"
#include "tessera/core/line_reader.h"

namespace tessera::flash {

// The unit's program flash.
inline constexpr std::uint32_t kFlashSize = 0x20000;  // 128 KiB, erased bytes read 0xFF
inline constexpr std::uint32_t kSectorSize = 0x4000;  // 16 KiB
inline constexpr int kSectorCount = 8;

// Value of the longest prefix of hexadecimal digits (either case); 0 without one.
// A value too large for 32 bits gives 0xFFFFFFFF rather than wrapping, so an
// over-long checksum in a file name can never match an image by accident.
std::uint32_t HexVal(std::string_view text);

// The parts of a path. Both "\" and "/" separate folders.
struct PathParts {
  std::string FullPath;   // the trimmed path
  std::string Path;       // up to and including the last separator
  std::string FileName;   // after the last separator (all of it without one)
  std::string BaseName;   // FileName up to its last "."; empty when that "." comes first
  std::string Extension;  // FileName after its last "."
};
// Blanks around the path are removed first; an empty path leaves every field empty.
PathParts SplitPath(std::string_view path);

// One of the name check's OK/Cancel questions (warning icon, title
// "Firmware Update Operation").
struct NameQuestion {
  enum class Kind { kVersionType, kRevision };
  Kind kind;
  std::string text;
};

// Where the name check ends.
struct NameOutcome {
  bool accepted = false;
  std::string reason;                   // the rejection text
  std::string detail;                   // below it: how firmware files are named
  std::uint32_t expected_checksum = 0;  // when accepted
};

// The name check's verdict: the questions to ask, in order, and the outcome once
// every one of them was answered OK. Cancel on any question rejects the file with
// kUpdateCancelledText and asks nothing more.
struct NameCheck {
  std::vector<NameQuestion> questions;
  NameOutcome outcome;

  // Asks through `ask` (true: OK) and returns where that leads.
  NameOutcome Resolve(const std::function<bool(const NameQuestion&)>& ask) const;
};

inline constexpr char kUpdateCancelledText[] = "Firmware update operation cancelled";
// Shown below a rejected name: what the name has to carry.
inline constexpr char kNamePatternText[] =
    "Firmware files are named TBXttrr(cccc).HEX: tt the firmware version type,\n"
    "rr the revision, cccc the checksum of the image, all in hexadecimal;\n"
    "for example TBX2105(9F3C).HEX.";

// CheckHexFileName: the file name against the unit's current firmware type and
// firmware revision. `hex_file_name` is the path as chosen (trimmed), which the
// messages show; its upper-cased form is what is compared.
NameCheck CheckHexFileName(std::string_view hex_file_name, std::uint8_t unit_firmware_type,
                           std::uint8_t unit_firmware_revision);

// Record types this system acts on; other types are accepted and ignored.
inline constexpr int kRecordData = 0;
inline constexpr int kRecordEnd = 1;
inline constexpr int kRecordSegment = 2;  // base = segment * 16
inline constexpr int kRecordLinear = 4;   // base = upper 16 address bits << 16

struct HexRecord {
  int type = -1;  // -1: the line does not start with ":"
  // data: 16-bit offset; segment and linear: the record's 16-bit value
  std::uint32_t address = 0;
  common::Bytes data;          // data records only
  std::uint32_t data_sum = 0;  // sum of `data`
  std::uint32_t data_count = 0;
};

// True when the line is a well-formed record (exactly 11 + 2 * count characters)
// with the right checksum. A segment or linear record must carry exactly its two bytes.
bool ParseHexRecord(std::string_view line, HexRecord& record);

// Where the data records that follow a segment or linear record go; other records
// leave the base as it is.
std::uint32_t NextBaseAddress(const HexRecord& record, std::uint32_t base);

// 16-bit sum of the whole flash after the file's data bytes are programmed, every
// other byte counting as 0xFF: what the loader's checksum over 8 sectors returns.
std::uint16_t ImageChecksum(std::uint32_t data_sum, std::uint32_t data_count);

struct Validation {
  bool ok = false;
  std::string reason;            // why not
  std::string detail;            // a checksum error's two values
  std::uint32_t data_count = 0;  // data bytes up to the end record (the progress total)
  std::uint32_t data_sum = 0;
  std::uint32_t data_records = 0;  // records with data bytes: one program request each
  std::uint32_t longest_record = 0;
};

// A record the loader cannot take: more data bytes than its buffer holds.
inline constexpr std::uint32_t kMaxRecordBytes = 32;

// ValidateHexFile: reads `file` from its start up to the end record and checks
// every record and the image checksum against the one from the file name. A file
// that could not be programmed is refused here, before the unit is erased: a data
// record over 32 bytes, or one that lies outside the flash.
Validation ValidateHexFile(LineSource& file, std::string_view hex_file_name,
                           std::uint32_t expected_checksum);

}  // namespace tessera::flash
