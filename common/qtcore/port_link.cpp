#include "common/qtcore/port_link.h"

#include "common/core/link_tap.h"
#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/serial_port.h"

namespace common {

PortLink::PortLink(SerialPort& port, Prompts& prompts, QObject* parent)
    : QObject(parent), port_(port), prompts_(prompts) {}

bool PortLink::Tracing() const { return tap_ != nullptr && tap_->Listening(); }

void PortLink::DropWaiting() {
  if (Tracing() && port_.BytesWaiting() > 0) {
    const QByteArray stale = port_.Read(port_.BytesWaiting());
    if (!stale.isEmpty()) tap_->Dropped(View(stale));
  }
  port_.Discard();
}

}  // namespace common
