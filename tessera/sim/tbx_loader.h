// The simulated TBX's flash loader: the launch that takes the unit over, the
// 128 KiB flash (erase sets 0xFF, programming can only clear bits), checksum,
// read-back, device codes, and the reboot back to normal operation with the
// version of the new image. Installed into a TbxModel as its 0x70 command.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>

#include "common/core/bytes.h"
#include "tessera/sim/tbx_model.h"

namespace tessera::sim {

// The three version bytes the identify request reports.
struct FirmwareVersion {
  std::uint8_t comm_version = 0;
  std::uint8_t firmware_type = 0;
  std::uint8_t firmware_revision = 0;
};

struct TbxLoaderOptions {
  std::array<std::uint8_t, 3> launch_code = {0x5A, 0xA5, 0x69};  // the one the unit accepts
  std::uint8_t manufacturer_code = 0x1F;
  std::uint8_t device_code = 0xB5;
  // After a reboot the unit reports the version stored in the new image at this
  // address (comm version, type, revision; not while those bytes are erased) ...
  std::optional<std::uint32_t> version_address = {};
  // ... else this one, else the version it had.
  std::optional<FirmwareVersion> version_after_reboot = {};

  // The loader already owns the unit: an earlier update stopped before the reboot.
  bool start_running = false;

  // Faults.
  bool refuse_launch = false;  // status 0xA0 even for the right code
  // The next N erases report success but a worn cell at 0x00000 stays 0x00.
  int incomplete_erases = 0;
  // A program request for this address is refused with program_fault_status.
  std::optional<std::uint32_t> fail_program_at = {};
  std::uint8_t program_fault_status = 0x10;
  std::set<std::uint8_t> unanswered = {};  // loader operations done but left unanswered
  std::set<std::uint8_t> corrupted = {};   // ... answered with a wrong checksum

  // How long the unit works before it answers.
  int erase_ms = 0;
  int program_ms = 0;
};

// Program statuses of the simulated loader besides 0 and program_fault_status.
inline constexpr std::uint8_t kProgramBadRecordCheck = 0x01;
inline constexpr std::uint8_t kProgramOutOfRange = 0x02;
inline constexpr std::uint8_t kProgramBadCount = 0x03;

// Loader requests received, by operation.
struct TbxLoaderCounters {
  int launches = 0;
  int erases = 0;
  int checksums = 0;
  int programs = 0;
  int reads = 0;
  int reboots = 0;
  int read_ids = 0;
};

class TbxLoader {
 public:
  static constexpr std::uint32_t kFlashSize = 0x20000;
  static constexpr std::uint32_t kSectorSize = 0x4000;

  // Takes over `model`'s command 0x70; the model must outlive the loader.
  explicit TbxLoader(TbxModel& model, TbxLoaderOptions options = {});
  ~TbxLoader();
  TbxLoader(const TbxLoader&) = delete;
  TbxLoader& operator=(const TbxLoader&) = delete;

  // The loader owns the unit: normal requests go unanswered.
  bool Running() const { return running_; }
  const common::Bytes& Flash() const { return flash_; }
  // Puts bytes into the flash as they are (an image already in the unit).
  void Load(std::uint32_t address, common::ByteView bytes);
  // 16-bit sum of the first `sectors` sectors (at most 8).
  std::uint16_t Checksum(int sectors) const;

  TbxLoaderOptions& Options() { return options_; }
  const TbxLoaderCounters& Counters() const { return counters_; }

 private:
  std::optional<Bytes> Answer(ByteView request);
  std::uint8_t Launch(ByteView request);
  void TakeOver();
  void Erase(std::uint8_t selector);
  std::uint8_t Program(ByteView request);
  Bytes ReadBack(ByteView request) const;
  void Reboot();

  TbxModel& model_;
  TbxLoaderOptions options_;
  TbxLoaderCounters counters_;
  common::Bytes flash_;
  bool running_ = false;
};

}  // namespace tessera::sim
