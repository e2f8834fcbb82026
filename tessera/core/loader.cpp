#include "tessera/core/loader.h"

#include <algorithm>

#include "tessera/core/hex_file.h"

namespace tessera::flash {
namespace {

static_assert(kMaxRecordData == kMaxRecordBytes, "validation and loader must agree");

constexpr int kShortTimeoutMs = 500;
constexpr int kLongTimeoutMs = 5000;

// Results start at the third byte; the first two are not examined.
constexpr std::size_t kResultOffset = 2;

LoaderExchange Exchange(std::uint8_t operation, common::ByteView parameters,
                        std::size_t response_length, int timeout_ms) {
  common::Bytes data{operation};
  data.insert(data.end(), parameters.begin(), parameters.end());
  return {BuildFrame(kCmdLoader, data), ResponseShape::Fixed(static_cast<int>(response_length)),
          timeout_ms};
}

std::array<std::uint8_t, 3> AddressBytes(std::uint32_t address) {
  return {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(address >> 16)};
}

// Response lengths, checksum included.
constexpr std::size_t kLaunchLength = 4;
constexpr std::size_t kEraseLength = 4;
constexpr std::size_t kChecksumLength = 6;
constexpr std::size_t kProgramLength = 4;
constexpr std::size_t kReadRecordLength = 35;
constexpr std::size_t kRebootLength = 3;
constexpr std::size_t kReadIdLength = 5;

// Result byte `index` (0 = the third byte) of a response of the expected length;
// nullopt for an empty (failed) or short response.
std::optional<std::uint8_t> Result(common::ByteView response, std::size_t length,
                                   std::size_t index) {
  if (response.size() < length) return std::nullopt;
  return response[kResultOffset + index];
}

}  // namespace

LoaderExchange LaunchRequest() {
  return Exchange(kFlashLaunch, kLaunchCode, kLaunchLength, kLongTimeoutMs);
}

LoaderExchange EraseRequest(std::uint8_t selector) {
  const std::uint8_t parameters[] = {selector};
  return Exchange(kFlashErase, parameters, kEraseLength, kLongTimeoutMs);
}

LoaderExchange ChecksumRequest(std::uint8_t sectors) {
  const std::uint8_t parameters[] = {sectors};
  return Exchange(kFlashChecksum, parameters, kChecksumLength, kShortTimeoutMs);
}

std::optional<LoaderExchange> ProgramRecordRequest(std::uint32_t address, common::ByteView data) {
  if (data.empty() || data.size() > kMaxRecordData) return std::nullopt;
  const auto [a0, a1, a2] = AddressBytes(address);
  const auto count = static_cast<std::uint8_t>(data.size());
  common::Bytes parameters{a0, a1, a2, count};
  parameters.insert(parameters.end(), data.begin(), data.end());
  parameters.resize(4 + kMaxRecordData, 0x00);
  unsigned record_sum = a0 + a1 + count;
  for (std::uint8_t byte : data) record_sum += byte;
  parameters.push_back(static_cast<std::uint8_t>((256 - record_sum % 256) % 256));
  return Exchange(kFlashProgramRecord, parameters, kProgramLength, kLongTimeoutMs);
}

LoaderExchange ReadRecordRequest(std::uint32_t address, std::uint8_t count) {
  const auto [a0, a1, a2] = AddressBytes(address);
  const std::uint8_t parameters[] = {a0, a1, a2,
                                     std::min(count, static_cast<std::uint8_t>(kMaxRecordData))};
  return Exchange(kFlashReadRecord, parameters, kReadRecordLength, kLongTimeoutMs);
}

LoaderExchange RebootRequest() { return Exchange(kFlashReboot, {}, kRebootLength, kLongTimeoutMs); }

LoaderExchange ReadIdRequest() { return Exchange(kFlashReadId, {}, kReadIdLength, kLongTimeoutMs); }

LaunchOutcome DecodeLaunch(common::ByteView response) {
  const std::optional<std::uint8_t> status = Result(response, kLaunchLength, 0);
  if (!status) return {};
  if (*status == kLaunchRefused) return {LaunchOutcome::Kind::kRefused, *status};
  if (*status == kLoaderAlreadyRunning) return {LaunchOutcome::Kind::kAlreadyRunning, *status};
  return {LaunchOutcome::Kind::kStarted, *status};
}

std::optional<DeviceCodes> DecodeReadId(common::ByteView response) {
  const auto manufacturer = Result(response, kReadIdLength, 0);
  const auto device = Result(response, kReadIdLength, 1);
  if (!manufacturer || !device) return std::nullopt;
  return DeviceCodes{*manufacturer, *device};
}

bool DecodeErase(common::ByteView response) {
  return Result(response, kEraseLength, 0) == std::uint8_t{0};
}

std::optional<std::uint16_t> DecodeChecksum(common::ByteView response) {
  const auto low = Result(response, kChecksumLength, 0);
  const auto high = Result(response, kChecksumLength, 1);
  if (!low || !high) return std::nullopt;
  return static_cast<std::uint16_t>(*low | (*high << 8));
}

ProgramOutcome DecodeProgram(common::ByteView response) {
  const std::optional<std::uint8_t> status = Result(response, kProgramLength, 0);
  if (!status) return {};
  return {true, *status};
}

std::optional<common::Bytes> DecodeReadRecord(common::ByteView response, std::size_t count) {
  count = std::min(count, kMaxRecordData);
  if (response.size() < kReadRecordLength) return std::nullopt;
  return common::Bytes(response.begin() + kResultOffset,
                       response.begin() + static_cast<std::ptrdiff_t>(kResultOffset + count));
}

bool DecodeReboot(common::ByteView response) { return response.size() >= kRebootLength; }

}  // namespace tessera::flash
