// Corvid's drawings for its status pictures (shown with common::Picture) and
// the logo of its About box.
#pragma once

#include <QPixmap>

namespace corvid::monitor {

QPixmap DeviceNotRespondingPixmap();  // red disc with a white cross
QPixmap FaultPixmap();                // yellow warning triangle
QPixmap LowVoltagePixmap();           // orange warning triangle
QPixmap LogoPixmap();

}  // namespace corvid::monitor
