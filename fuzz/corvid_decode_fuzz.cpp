// The switch pack's status, diagnostic and identification decoders, and the number
// reading and formatting they use, over arbitrary payloads.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "corvid/core/response_decoders.h"
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
  identity.module_type = 77;
  if (ApplyModuleId(payload, identity)) {
    FUZZ_CHECK(size >= kModuleIdMinPayload);
    FUZZ_CHECK(identity.device_type == payload[1]);
    FUZZ_CHECK(identity.module_id.size() <= kModuleIdTextMax);
    FUZZ_CHECK(identity.module_id.empty() ||
               (identity.module_id.front() != ' ' && identity.module_id.back() != ' '));
    if (identity.module_id.find("Type ") == std::string::npos)
      FUZZ_CHECK(identity.module_type == 77);
    DeviceTypeName(identity.device_type);
    DeviceDescription(identity.device_type);
  } else {
    FUZZ_CHECK(size < kModuleIdMinPayload && identity.module_type == 77);
  }

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double number = LeadingNumber(text);
  FUZZ_CHECK(!std::isnan(number));
  RoundHalfEven(number);
  return 0;
}
