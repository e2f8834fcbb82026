// Pure decoding of the switch pack's status, diagnostic and identification
// responses into values and the texts the main window shows. No Qt, no I/O.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/bytes.h"

namespace corvid::monitor {

using common::ByteView;

inline constexpr int kOutputs = 6;

// A 14-bit value carried 7 bits per byte, low part first; bit 7 of both bytes is noise.
constexpr int Decode14(std::uint8_t low, std::uint8_t high) {
  return (high & 0x7F) * 128 + (low & 0x7F);
}

// Tenths as "#0.0": 0 -> "0.0", 1203 -> "120.3".
std::string FormatTenths(int tenths);

struct StatusReading {
  std::uint8_t status_bits = 0;       // bits 0-3, see StatusBitName
  int mains = 0;                      // 0.1 Vrms
  std::array<int, kOutputs> volts{};  // 0.1 Vrms per output
  std::array<int, kOutputs> amps{};   // mArms per output
  std::uint8_t on_bits = 0;           // bit i = output i driven
  std::uint8_t fault_bits = 0;        // bit i = output i faulted
};
inline constexpr std::size_t kStatusPayloadSize = 30;
inline constexpr int kStatusBits = 4;
// The main window's caption of status bit 0-3: "24VDC Low" ... "Diagostic Fail".
std::string_view StatusBitName(int bit);
// Status payload (response code first). nullopt when it is too short to hold all fields.
std::optional<StatusReading> DecodeStatus(ByteView payload);

struct DiagnosticReading {
  std::uint8_t fault_bits = 0;  // bit 0 register fault, bit 1 data-flash fault
  int temperature = 0;          // signed, shown next to "oF"
  // CRC errors, Rx overflows, 3911 Reg errors, Rx errors: the device's own counters.
  std::array<std::uint8_t, 4> counters{};
};
inline constexpr std::size_t kDiagnosticPayloadSize = 8;
std::optional<DiagnosticReading> DecodeDiagnostic(ByteView payload);
// A device counter saturates at 255, shown as "255>".
std::string FormatCounter(std::uint8_t value);
// The main window's caption of device counter 0-3: "CRC Errors" ... "Rx Errors".
std::string_view DeviceCounterName(int counter);

// What the last identification told about the device. Fields without their marker in
// the text keep their previous contents.
struct DeviceIdentity {
  int device_type = 0;
  std::string module_id;
  int module_type = 0;
  int firmware_major = 0;
  int firmware_minor = 0;
};
inline constexpr std::size_t kModuleIdMinPayload = 2;
inline constexpr std::size_t kModuleIdTextMax = 60;
// Applies an identification payload. False (identity untouched) when it is too short.
bool ApplyModuleId(ByteView payload, DeviceIdentity& identity);

// About Device's firmware line: "Type: 3  Revision: 1.12".
std::string FirmwareLine(const DeviceIdentity& identity);

// "VELD-HV" ... "KRAN-VHV", else "Unknown".
std::string_view DeviceTypeName(int device_type);
// "VELD-HV, 110 Vac power" ..., else "<Unknown Device Type>".
std::string_view DeviceDescription(int device_type);

// The number a text begins with, blanks ignored anywhere, 0 when none; like the
// numeric reading the window applies to its own texts.
double LeadingNumber(std::string_view text);
// Nearest whole number, a tie to the even one; clamped to the int range.
int RoundHalfEven(double value);

}  // namespace corvid::monitor
