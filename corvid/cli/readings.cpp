#include "corvid/cli/readings.h"

#include <cctype>

#include "corvid/core/output_check.h"

namespace corvid::cli {
namespace {

std::string Str(std::string_view text) { return std::string(text); }

// "1 Red" -> "ch1_red": a name a script can use.
std::string OutputKey(int output) {
  std::string key = "ch";
  for (const char c : monitor::OutputName(output)) {
    key += c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return key;
}

}  // namespace

common::Reading IdentityReading(const monitor::DeviceIdentity& identity) {
  common::Reading reading;
  reading.Number("device_type_code", "Device Type Code", "", identity.device_type)
      .Text("device_type", "Device Type", Str(monitor::DeviceDescription(identity.device_type)))
      .Text("device_id", "Device ID", identity.module_id)
      .Text("device_firmware", "Device Firmware", monitor::FirmwareLine(identity));
  return reading;
}

void AddStatus(common::Reading& reading, const monitor::StatusReading& status) {
  reading.Number("mains_vrms", "Mains", "Vrms", status.mains, 1);
  for (int i = 0; i < monitor::kOutputs; ++i) {
    const std::string key = OutputKey(i), name = Str(monitor::OutputName(i));
    reading.Number(key + "_vrms", name + " voltage", "Vrms", status.volts[i], 1)
        .Number(key + "_marms", name + " current", "mArms", status.amps[i])
        .Flag(key + "_on", name + " on", (status.on_bits >> i) & 1)
        .Flag(key + "_fault", name + " fault", (status.fault_bits >> i) & 1);
  }
  static constexpr const char* kKeys[monitor::kStatusBits] = {
      "low_24vdc", "reset_since_last_poll", "last_rms_period_lost", "diagnostic_fail"};
  for (int k = 0; k < monitor::kStatusBits; ++k) {
    reading.Flag(kKeys[k], Str(monitor::StatusBitName(k)), (status.status_bits >> k) & 1);
  }
}

void AddDiagnostic(common::Reading& reading, const monitor::DiagnosticReading& diagnostic) {
  reading.Number("temperature_degf", "Temperature", "oF", diagnostic.temperature);
  static constexpr const char* kKeys[4] = {"device_crc_errors", "device_rx_overflows",
                                           "device_3911_reg_errors", "device_rx_errors"};
  for (int k = 0; k < 4; ++k) {
    // The counters stop at 255; people read that as "255>", as in the window.
    reading.Number(kKeys[k], Str(monitor::DeviceCounterName(k)), "", diagnostic.counters[k], 0,
                   monitor::FormatCounter(diagnostic.counters[k]));
  }
  reading.Flag("register_fault", "Register fault", diagnostic.fault_bits & 1)
      .Flag("data_flash_fault", "Data flash fault", (diagnostic.fault_bits >> 1) & 1);
}

void AddLinkCounters(common::Reading& reading, const LinkCounters& counters) {
  reading
      .Number("link_crc_errors", "Link CRC errors", "", static_cast<long long>(counters.crc_errors))
      .Number("link_rx_timeouts", "Link Rx timeouts", "", static_cast<long long>(counters.timeouts))
      .Number("link_rx_naks", "Link Rx NAKs", "", static_cast<long long>(counters.naks));
}

}  // namespace corvid::cli
