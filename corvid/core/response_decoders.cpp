#include "corvid/core/response_decoders.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "corvid/core/device_types.h"

namespace corvid::monitor {

std::string FormatTenths(int tenths) {
  const bool negative = tenths < 0;
  const long long magnitude = std::llabs(static_cast<long long>(tenths));
  std::string text = std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
  return negative ? "-" + text : text;
}

std::optional<StatusReading> DecodeStatus(ByteView payload) {
  if (payload.size() < kStatusPayloadSize) return std::nullopt;
  auto value_at = [&](std::size_t offset) {
    return Decode14(payload[offset], payload[offset + 1]);
  };
  StatusReading reading;
  reading.status_bits = payload[1] & 0x0F;
  reading.mains = value_at(2);
  for (int i = 0; i < kOutputs; ++i) {
    reading.volts[i] = value_at(4 + 2 * i);
    reading.amps[i] = value_at(16 + 2 * i);
  }
  reading.on_bits = payload[28];
  reading.fault_bits = payload[29];
  return reading;
}

std::string_view StatusBitName(int bit) {
  // The window's spelling, which technicians know.
  static constexpr std::string_view kNames[kStatusBits] = {
      "24VDC Low", "Reset Since Last Poll", "Last RMS Period Lost", "Diagostic Fail"};
  return bit >= 0 && bit < kStatusBits ? kNames[bit] : std::string_view();
}

std::optional<DiagnosticReading> DecodeDiagnostic(ByteView payload) {
  if (payload.size() < kDiagnosticPayloadSize) return std::nullopt;
  DiagnosticReading reading;
  reading.fault_bits = payload[1];
  reading.temperature = static_cast<std::int16_t>(payload[2] | (payload[3] << 8));
  for (int i = 0; i < 4; ++i) reading.counters[i] = payload[4 + i];
  return reading;
}

std::string FormatCounter(std::uint8_t value) {
  return value == 255 ? "255>" : std::to_string(value);
}

std::string_view DeviceCounterName(int counter) {
  static constexpr std::string_view kNames[4] = {"CRC Errors", "Rx Overflows", "3911 Reg Errors",
                                                 "Rx Errors"};
  return counter >= 0 && counter < 4 ? kNames[counter] : std::string_view();
}

namespace {

// VB-style trimming: blanks only.
std::string TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool ApplyModuleId(ByteView payload, DeviceIdentity& identity) {
  if (payload.size() < kModuleIdMinPayload) return false;
  identity.device_type = payload[1];
  const std::size_t text_size = std::min(payload.size() - 2, kModuleIdTextMax);
  const std::string text(payload.begin() + 2, payload.begin() + 2 + text_size);
  identity.module_id = TrimBlanks(text);
  const std::string& id = identity.module_id;

  if (const auto p = id.find("Type "); p != std::string::npos) {
    identity.module_type = RoundHalfEven(LeadingNumber(std::string_view(id).substr(p + 5, 2)));
  }
  if (const auto q = id.find("Rev "); q != std::string::npos) {
    if (const auto d = id.find('.', q); d != std::string::npos) {
      // From the blank after "Rev" up to the point, then everything after it.
      identity.firmware_major =
          RoundHalfEven(LeadingNumber(std::string_view(id).substr(q + 3, d - (q + 3))));
      identity.firmware_minor = RoundHalfEven(LeadingNumber(std::string_view(id).substr(d + 1)));
    }
  }
  return true;
}

std::string FirmwareLine(const DeviceIdentity& identity) {
  return "Type: " + std::to_string(identity.module_type) +
         "  Revision: " + std::to_string(identity.firmware_major) + "." +
         std::to_string(identity.firmware_minor);
}

std::string_view DeviceTypeName(int device_type) {
  const DeviceType* type = FindDeviceType(device_type);
  return type ? type->name : "Unknown";
}

std::string_view DeviceDescription(int device_type) {
  const DeviceType* type = FindDeviceType(device_type);
  return type ? type->description : "<Unknown Device Type>";
}

double LeadingNumber(std::string_view text) {
  // Collect the leading number's characters, skipping blanks wherever they are.
  std::string number;
  bool digits = false, point = false, exponent = false;
  for (char c : text) {
    if (IsBlank(c)) continue;
    const char last = number.empty() ? '\0' : number.back();
    if (c >= '0' && c <= '9') {
      number += c;
      digits = true;
    } else if ((c == '+' || c == '-') && (number.empty() || last == 'e')) {
      number += c;
    } else if (c == '.' && !point && !exponent) {
      number += c;
      point = true;
    } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !exponent) {
      number += 'e';
      exponent = true;
    } else {
      break;
    }
  }
  // Drop an exponent or sign that no digits followed.
  while (!number.empty() && (number.back() == 'e' || number.back() == '+' || number.back() == '-'))
    number.pop_back();
  if (!digits) return 0;
  const double value = std::strtod(number.c_str(), nullptr);
  return std::isfinite(value) ? value : 0;
}

int RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(value);  // default rounding mode: ties to even
  if (rounded >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (rounded <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(rounded);
}

}  // namespace corvid::monitor
