// The switch pack's status, diagnostic and identification decoders, and the number
// reading and formatting they use, over arbitrary payloads.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "corvid/core/decode.h"
#include "fuzz/fuzz_input.h"

using namespace corvid::monitor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const common::ByteView payload(data, size);

  if (const auto status = DecodeStatus(payload)) {
    FUZZ_CHECK(size >= kStatusPayloadSize);
    FUZZ_CHECK(status->mains >= 0 && status->mains < 16384);
    for (int i = 0; i < kOutputs; ++i) {
      FUZZ_CHECK(status->volts[i] >= 0 && status->volts[i] < 16384);
      FUZZ_CHECK(status->amps[i] >= 0 && status->amps[i] < 16384);
      FUZZ_CHECK(!FormatTenths(status->volts[i]).empty());
    }
  } else {
    FUZZ_CHECK(size < kStatusPayloadSize);
  }

  if (const auto diagnostic = DecodeDiagnostic(payload)) {
    FUZZ_CHECK(size >= kDiagnosticPayloadSize);
    FUZZ_CHECK(diagnostic->temperature >= -32768 && diagnostic->temperature <= 32767);
    for (std::uint8_t c : diagnostic->counters) FUZZ_CHECK(FormatCounter(c).size() <= 4);
  }

  DeviceIdentity identity;
  identity.ModuleType = 77;
  if (ApplyModuleId(payload, identity)) {
    FUZZ_CHECK(size >= kModuleIdMinPayload);
    FUZZ_CHECK(identity.DeviceType == payload[1]);
    FUZZ_CHECK(identity.ModuleID.size() <= kModuleIdTextMax);
    FUZZ_CHECK(identity.ModuleID.empty() ||
               (identity.ModuleID.front() != ' ' && identity.ModuleID.back() != ' '));
    if (identity.ModuleID.find("Type ") == std::string::npos) FUZZ_CHECK(identity.ModuleType == 77);
    DeviceTypeName(identity.DeviceType);
    DeviceDescription(identity.DeviceType);
  } else {
    FUZZ_CHECK(size < kModuleIdMinPayload && identity.ModuleType == 77);
  }

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double number = LeadingNumber(text);
  FUZZ_CHECK(!std::isnan(number));
  RoundHalfEven(number);
  return 0;
}
