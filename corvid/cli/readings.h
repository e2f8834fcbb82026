// Corvid's readings as fields for the three output formats: names, units and values
// in one place for every command of corvid-cli.
#pragma once

#include <string>

#include "common/core/reading_format.h"
#include "corvid/core/response_decoders.h"
#include "corvid/link/hdlc_link.h"

namespace corvid::cli {

// Device type, ID text and firmware, as About Device shows them.
common::Reading IdentityReading(const monitor::DeviceIdentity& identity);
// Mains, each output's voltage, current, on and fault bits, the status bits.
void AddStatus(common::Reading& reading, const monitor::StatusReading& status);
// Temperature, the device's counters and its fault bits.
void AddDiagnostic(common::Reading& reading, const monitor::DiagnosticReading& diagnostic);
void AddLinkCounters(common::Reading& reading, const LinkCounters& counters);

}  // namespace corvid::cli
