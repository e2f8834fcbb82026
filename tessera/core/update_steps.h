// The decisions and texts of the firmware update, kept apart from the step machine
// that orders them (update_sequence.h) and the driver that talks to the unit and the
// user. The steps, in order:
//   SupportCheck; caution box (kCautionText); file dialog; for a unit of unknown
//   identity only now the probe for a loader left running; CheckHexFileName(...)
//   .Resolve; open; ValidateHexFile;
//   LaunchRequest until DecodeLaunch(...).ok() (kLaunchFailedText, Retry/Cancel);
//   ReadIdRequest -> DeviceCheck;
//   up to kProgrammingAttempts times: EraseRequest + ChecksumRequest -> EraseCheck;
//     ProgrammingPass: for each record ProgramRecordRequest (nullopt ->
//     RecordTooLongText), ReadRecordRequest, RecordCheck, Programmed; then
//     ChecksumRequest -> NewChecksumCheck;
//   RebootRequest (kRebootFailedText); identify (kNoIdentityText); SummaryText.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/bytes.h"
#include "tessera/core/identity.h"
#include "tessera/core/line_reader.h"
#include "tessera/core/loader.h"

namespace tessera::flash {

inline constexpr char kUpdateTitle[] = "Firmware Update Operation";
inline constexpr char kUpdateErrorTitle[] = "Firmware Update Operation Error";
// OK/Cancel, warning icon, kUpdateTitle; any answer but OK ends the update quietly.
inline constexpr char kCautionText[] =
    "Caution: This firmware update operation must be performed with stable AC power to the "
    "TBX and MUST NOT BE INTERRUPTED.\r\n"
    "If this operation is interrupted, the TBX may need to be returned to the factory for "
    "repair.\r\n\r\n"
    "Do you want to continue with the firmware update operation?";
// The open-file dialog: file name preset, filter.
inline constexpr char kHexFilePattern[] = "*.hex";
inline constexpr char kHexFileFilter[] = "Flash Files (*.HEX)";
// Retry/Cancel, error icon, kUpdateErrorTitle.
inline constexpr char kLaunchFailedText[] = "Flash loader did not launch.";
inline constexpr char kReadIdFailedText[] = "Could not read flash device codes.";
inline constexpr char kEraseFailedText[] = "Flash did not erase.";
inline constexpr char kReadBackFailedText[] = "Flash read byte error.";
inline constexpr char kVerifyFailedText[] = "Flash verify byte error.";
inline constexpr char kNoEndRecordText[] = "Input file record error, no end record.";
inline constexpr char kNoNewChecksumText[] = "The new checksum could not be retrieved.";
inline constexpr char kRebootFailedText[] = "Reflash is completed but the TBX will not reboot.";
inline constexpr char kNoIdentityText[] = "Reflash is completed but the TBX will not respond.";
// Unexpected failures of the procedure (the port failing under a loader exchange)
// are reported under this routine name, with the Abort/Retry/Ignore box.
inline constexpr char kReFlashRoutine[] = "mnuReFlash";
// The report's error number for a port that failed (closed, adapter pulled).
inline constexpr long kPortFailedError = 9;

inline constexpr int kProgrammingAttempts = 3;
// Units below this comm version have no field reflash.
inline constexpr std::uint8_t kMinReflashCommVersion = 0x23;

// The refusal for a unit without field reflash, or nullopt.
std::optional<std::string> SupportCheck(const UnitIdentity& identity);

// Device codes the update accepts: device 0xB5 or 0x20, any manufacturer.
std::optional<std::string> DeviceCheck(const DeviceCodes& codes);

// After an erase: the erase status and the 8-sector checksum (nullopt: no answer)
// must both say erased.
std::optional<std::string> EraseCheck(bool erase_ok, std::optional<std::uint16_t> checksum);

// A data record longer than the loader's 32-byte buffer stops the attempt; nothing
// of it is sent.
std::string RecordTooLongText(std::uint32_t address, std::size_t count);
// "Flash program byte error: Status = 0x" + hex(status).
std::string ProgramErrorText(std::uint8_t status);

// One record's program, read-back and compare; the last failure's text stands.
// Without read-back bytes nothing is compared (they would be stale).
std::optional<std::string> RecordCheck(const ProgramOutcome& program,
                                       const std::optional<common::Bytes>& read_back,
                                       common::ByteView data);

// The final checksum against the one from the file name.
std::optional<std::string> NewChecksumCheck(std::optional<std::uint16_t> checksum,
                                            std::uint32_t expected);

// The success text, from the identity the restarted unit reported.
std::string SummaryText(std::string_view hex_file_name, const UnitIdentity& identity);

// The context of the procedure's error reports (routine kReFlashRoutine).
std::string ReFlashContext(std::string_view hex_file_name);

// What the update is doing, for the window and the terminal. The programming pass
// programs each record and reads it back before the next.
enum class UpdatePhase { kNone, kLaunch, kErase, kProgram, kChecksum, kReboot };
// "Erasing the flash", with "(attempt 2 of 3)" after a failed attempt; empty for kNone.
std::string PhaseText(UpdatePhase phase, int attempt = 1);

// The progress bar value for the bytes programmed so far; nullopt once they reach the total
// (the bar is left as it is, so it never shows 100).
std::optional<int> ProgressValue(std::uint64_t programmed, std::uint64_t total);

// A data record placed in the flash (segment base added).
struct FlashRecord {
  std::uint32_t address = 0;
  common::Bytes data;
};

// The programming pass over the file: the data records in order, with their
// addresses (segment or linear base added), up to the end record. Records without
// data are skipped.
class ProgrammingPass {
 public:
  ProgrammingPass(LineSource& file, std::string hex_file_name, std::uint32_t data_total);

  // From the file's first line again (each attempt).
  void Start();
  // The next record to program; nullopt when the pass is over: at the end record,
  // or with error() set.
  std::optional<FlashRecord> Next();
  // Counts a programmed record; the progress value to show, if any.
  std::optional<int> Programmed(std::size_t count);

  const std::optional<std::string>& error() const { return error_; }
  bool end_seen() const { return end_seen_; }
  std::uint64_t bytes_programmed() const { return programmed_; }

 private:
  LineSource& file_;
  std::string hex_file_name_;
  std::uint32_t data_total_;
  std::uint32_t base_ = 0;  // from the latest segment or linear record
  std::uint64_t programmed_ = 0;
  bool end_seen_ = false;
  std::optional<std::string> error_;
};

}  // namespace tessera::flash
