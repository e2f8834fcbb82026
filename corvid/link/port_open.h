// Opening the switch-pack port and telling the technician why it failed.
#pragma once

#include <QString>
#include <optional>

#include "common/qtcore/prompts.h"

namespace common {
class SerialPort;
}

namespace corvid {

// Box for a failed open by the port's status text; nullopt for "Disconnected"
// (no box). The OS's reason goes into the detail.
std::optional<common::Message> PortOpenFailureMessage(const QString& status_text,
                                                      const QString& detail);

// Closes the port if open, selects port n, opens it. On failure shows the
// "COM Port Open Error" box through prompts. True when the port is open.
bool OpenCommPort(common::SerialPort& port, common::Prompts& prompts, int port_number);

// Start-up: line settings "307200,n,8,1", then OpenCommPort(port_number).
bool OpenStoredPort(common::SerialPort& port, common::Prompts& prompts, int port_number);

}  // namespace corvid
