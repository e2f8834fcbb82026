// The unit's flash-loader protocol: seven operations, each one request (0x70, the
// operation code, parameters, checksum) and one response of fixed length whose
// results start at its third byte. Builders give the request with the response
// shape and time-out to exchange it with; decoders read the response the exchange
// returned (empty after a failure).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "common/core/bytes.h"
#include "tessera/core/frame.h"

namespace tessera::flash {

// Operation codes, after kCmdLoader.
inline constexpr std::uint8_t kFlashLaunch = 0x01;
inline constexpr std::uint8_t kFlashErase = 0x02;
inline constexpr std::uint8_t kFlashChecksum = 0x03;
inline constexpr std::uint8_t kFlashProgramRecord = 0x04;
inline constexpr std::uint8_t kFlashReadRecord = 0x05;
inline constexpr std::uint8_t kFlashReboot = 0x06;
inline constexpr std::uint8_t kFlashReadId = 0x07;

// Identifies a launch request to the unit.
inline constexpr std::array<std::uint8_t, 3> kLaunchCode = {0x5A, 0xA5, 0x69};
inline constexpr std::uint8_t kEraseAllSectors = 0xFF;
inline constexpr std::uint8_t kWholeFlashSectors = 8;
// A program or read request carries at most this many data bytes.
inline constexpr std::size_t kMaxRecordData = 32;

// Launch statuses; any other value means the loader started.
inline constexpr std::uint8_t kLaunchRefused = 0xA0;
inline constexpr std::uint8_t kLoaderAlreadyRunning = 0x40;

// Waits around the loader's entry and exit: polling is stopped this long before a
// launch request, and resumed this long after a reboot request.
inline constexpr int kLaunchSettleMs = 1000;
inline constexpr int kRebootSettleMs = 500;

// One loader exchange: send `request`, read `response` within `timeout_ms`, no
// error boxes, no resend.
struct LoaderExchange {
  common::Bytes request;
  ResponseShape response;
  int timeout_ms = 0;
};

// 70 01 code0 code1 code2 cs; 4-byte answer, 5000 ms.
LoaderExchange LaunchRequest();
// 70 02 selector cs; 4-byte answer, 5000 ms.
LoaderExchange EraseRequest(std::uint8_t selector = kEraseAllSectors);
// 70 03 sectors cs; 6-byte answer, 500 ms.
LoaderExchange ChecksumRequest(std::uint8_t sectors = kWholeFlashSectors);
// Always 40 bytes: 70 04 A0 A1 A2 N, the data padded with zeros to 32, the record
// check (Intel HEX checksum of a data record at offset A1:A0), cs; 4-byte answer,
// 5000 ms. nullopt for more than 32 or no data bytes: nothing is to be sent.
std::optional<LoaderExchange> ProgramRecordRequest(std::uint32_t address, common::ByteView data);
// 70 05 A0 A1 A2 N cs; 35-byte answer whatever N, 5000 ms. N is capped at 32.
LoaderExchange ReadRecordRequest(std::uint32_t address,
                                 std::uint8_t count = static_cast<std::uint8_t>(kMaxRecordData));
// 70 06 cs; 3-byte answer, 5000 ms.
LoaderExchange RebootRequest();
// 70 07 cs; 5-byte answer, 5000 ms.
LoaderExchange ReadIdRequest();

// What a launch came to.
struct LaunchOutcome {
  enum class Kind { kNoResponse, kRefused, kAlreadyRunning, kStarted };
  Kind kind = Kind::kNoResponse;
  std::uint8_t status = 0;  // FlashStatus (0 without a response)
  // The loader runs now: polling stays stopped and the window goes into loader mode.
  bool ok() const { return kind == Kind::kAlreadyRunning || kind == Kind::kStarted; }
};
LaunchOutcome DecodeLaunch(common::ByteView response);

struct DeviceCodes {
  std::uint8_t manufacturer = 0;
  std::uint8_t device = 0;
};
std::optional<DeviceCodes> DecodeReadId(common::ByteView response);

// True when the unit answered with status 0.
bool DecodeErase(common::ByteView response);

// The 16-bit sum of the requested sectors.
std::optional<std::uint16_t> DecodeChecksum(common::ByteView response);

struct ProgramOutcome {
  bool responded = false;
  std::uint8_t status = 0;  // FlashStatus (0 without a response)
  bool ok() const { return responded && status == 0; }
};
ProgramOutcome DecodeProgram(common::ByteView response);

// The first `count` (at most 32) bytes read back.
std::optional<common::Bytes> DecodeReadRecord(common::ByteView response,
                                              std::size_t count = kMaxRecordData);

// Any valid answer: the unit restarts.
bool DecodeReboot(common::ByteView response);

}  // namespace tessera::flash
