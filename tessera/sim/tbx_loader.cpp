#include "tessera/sim/tbx_loader.h"

#include <algorithm>

namespace tessera::sim {
namespace {

// Operation codes after 0x70.
constexpr std::uint8_t kLaunch = 0x01;
constexpr std::uint8_t kErase = 0x02;
constexpr std::uint8_t kChecksum = 0x03;
constexpr std::uint8_t kProgram = 0x04;
constexpr std::uint8_t kRead = 0x05;
constexpr std::uint8_t kReboot = 0x06;
constexpr std::uint8_t kReadId = 0x07;

constexpr std::uint8_t kRefused = 0xA0;
constexpr std::uint8_t kAlreadyRunning = 0x40;
constexpr std::size_t kRecordBytes = 32;

// Request length by operation; an unknown operation is taken as the shortest frame.
std::size_t LoaderRequestLength(ByteView pending) {
  if (pending.size() < 2) return 0;
  switch (pending[1]) {
    case kLaunch:
      return 6;
    case kErase:
    case kChecksum:
      return 4;
    case kProgram:
      return 40;
    case kRead:
      return 7;
    default:
      return 3;
  }
}

std::uint32_t AddressOf(ByteView request) {
  return request[2] | (request[3] << 8) | (static_cast<std::uint32_t>(request[4]) << 16);
}

}  // namespace

TbxLoader::TbxLoader(TbxModel& model, TbxLoaderOptions options)
    : model_(model), options_(std::move(options)), flash_(kFlashSize, 0xFF) {
  model_.SetCommand(kCmdLoader, LoaderRequestLength, [this](ByteView r) { return Answer(r); });
  if (options_.start_running) TakeOver();
}

TbxLoader::~TbxLoader() {
  model_.RemoveCommand(kCmdLoader);
  model_.SetCommandFilter(nullptr);
}

void TbxLoader::Load(std::uint32_t address, common::ByteView bytes) {
  for (std::size_t i = 0; i < bytes.size() && address + i < kFlashSize; ++i) {
    flash_[address + i] = bytes[i];
  }
}

std::uint16_t TbxLoader::Checksum(int sectors) const {
  const auto end = static_cast<std::ptrdiff_t>(std::clamp(sectors, 0, 8) * kSectorSize);
  unsigned sum = 0;
  for (auto it = flash_.begin(); it != flash_.begin() + end; ++it) sum += *it;
  return static_cast<std::uint16_t>(sum);
}

std::optional<Bytes> TbxLoader::Answer(ByteView request) {
  const std::uint8_t operation = request[1];
  // The normal firmware knows only the launch.
  if (!running_ && operation != kLaunch) return std::nullopt;
  Bytes answer{kCmdLoader, operation};
  switch (operation) {
    case kLaunch:
      ++counters_.launches;
      answer.push_back(Launch(request));
      break;
    case kErase:
      ++counters_.erases;
      Erase(request[2]);
      model_.DelayAnswer(options_.erase_ms);
      answer.push_back(0x00);
      break;
    case kChecksum: {
      ++counters_.checksums;
      const std::uint16_t sum = Checksum(request[2]);
      answer.insert(answer.end(), {static_cast<std::uint8_t>(sum & 0xFF),
                                   static_cast<std::uint8_t>(sum >> 8), 0x00});
      break;
    }
    case kProgram:
      ++counters_.programs;
      answer.push_back(Program(request));
      model_.DelayAnswer(options_.program_ms);
      break;
    case kRead: {
      ++counters_.reads;
      const Bytes bytes = ReadBack(request);
      answer.insert(answer.end(), bytes.begin(), bytes.end());
      break;
    }
    case kReboot:
      ++counters_.reboots;
      Reboot();
      break;
    case kReadId:
      ++counters_.read_ids;
      answer.insert(answer.end(), {options_.manufacturer_code, options_.device_code});
      break;
    default:
      return std::nullopt;
  }
  if (options_.unanswered.contains(operation)) return std::nullopt;
  if (options_.corrupted.contains(operation)) model_.CorruptAnswer();
  return answer;
}

std::uint8_t TbxLoader::Launch(ByteView request) {
  if (options_.refuse_launch ||
      !std::equal(options_.launch_code.begin(), options_.launch_code.end(), request.begin() + 2)) {
    return kRefused;
  }
  if (running_) return kAlreadyRunning;
  TakeOver();
  return 0x00;
}

void TbxLoader::TakeOver() {
  running_ = true;
  model_.SetCommandFilter([](std::uint8_t code) { return code == kCmdLoader; });
}

void TbxLoader::Erase(std::uint8_t selector) {
  // Bit n selects sector n; 0xFF erases them all.
  for (std::uint32_t sector = 0; sector < 8; ++sector) {
    if ((selector >> sector) & 1) {
      std::fill_n(flash_.begin() + sector * kSectorSize, kSectorSize, 0xFF);
    }
  }
  if (options_.incomplete_erases > 0) {
    --options_.incomplete_erases;
    flash_[0] = 0x00;
  }
}

std::uint8_t TbxLoader::Program(ByteView request) {
  const std::uint32_t address = AddressOf(request);
  const std::size_t count = request[5];
  if (count == 0 || count > kRecordBytes) return kProgramBadCount;
  const ByteView data = request.subspan(6, count);
  // The Intel HEX checksum of the record at offset A1:A0.
  unsigned sum = request[2] + request[3] + count;
  for (std::uint8_t byte : data) sum += byte;
  if (static_cast<std::uint8_t>(sum + request[38]) != 0) return kProgramBadRecordCheck;
  if (address + count > kFlashSize) return kProgramOutOfRange;
  if (options_.fail_program_at == address) return options_.program_fault_status;
  // Flash cells can only go from 1 to 0; an erase is the only way back.
  for (std::size_t i = 0; i < count; ++i) flash_[address + i] &= data[i];
  return 0x00;
}

Bytes TbxLoader::ReadBack(ByteView request) const {
  const std::uint32_t address = AddressOf(request);
  const std::size_t count = std::min<std::size_t>(request[5], kRecordBytes);
  Bytes bytes(kRecordBytes, 0x00);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = address + i < kFlashSize ? flash_[address + i] : 0xFF;
  }
  return bytes;
}

void TbxLoader::Reboot() {
  running_ = false;
  model_.SetCommandFilter(nullptr);
  std::optional<FirmwareVersion> version = options_.version_after_reboot;
  if (options_.version_address && *options_.version_address + 3 <= kFlashSize) {
    const auto at = flash_.begin() + *options_.version_address;
    if (!std::all_of(at, at + 3, [](std::uint8_t b) { return b == 0xFF; })) {
      version = FirmwareVersion{at[0], at[1], at[2]};
    }
  }
  if (version) {
    model_.Options().comm_version = version->comm_version;
    model_.Options().firmware_type = version->firmware_type;
    model_.Options().firmware_revision = version->firmware_revision;
  }
}

}  // namespace tessera::sim
