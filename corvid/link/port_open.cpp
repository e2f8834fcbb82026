#include "corvid/link/port_open.h"

#include "common/qtcore/serial_port.h"
#include "corvid/core/link_settings.h"

namespace corvid {

std::optional<common::Message> PortOpenFailureMessage(const QString& status_text,
                                                      const QString& detail) {
  QString text;
  if (status_text == QLatin1String("Disconnected")) return std::nullopt;
  if (status_text == QLatin1String("Port unavailable")) {
    text = QStringLiteral(
        "Port did not open.\nCheck that the port is not already used by another application.");
  } else if (status_text == QLatin1String("Port not found")) {
    text = QStringLiteral(
        "Port number is not valid.\n"
        "Check that port number is a valid Comm port on your system.");
  } else {
    text = status_text;
  }
  return common::Message{.title = QStringLiteral("COM Port Open Error"),
                         .text = text,
                         .buttons = common::Buttons::kOk,
                         .icon = common::Icon::kCritical,
                         .detail = detail};
}

bool OpenCommPort(common::SerialPort& port, common::Prompts& prompts, int port_number) {
  if (port.IsOpen()) port.Close();
  port.SetPortNumber(port_number);
  if (port.Open() && port.IsOpen()) return true;
  QString status = port.StatusText();
  // A failure without a reason must still tell the technician something.
  if (status.isEmpty()) status = QStringLiteral("Port unavailable");
  if (const auto message = PortOpenFailureMessage(status, port.ErrorDetail())) {
    prompts.Show(*message);
  }
  return false;
}

bool OpenStoredPort(common::SerialPort& port, common::Prompts& prompts, int port_number) {
  port.SetSettings(QString::fromLatin1(kLineSettings));
  return OpenCommPort(port, prompts, port_number);
}

}  // namespace corvid
