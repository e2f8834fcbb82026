// Port numbers to device names. Windows: COMn. Linux: a COMn link (or device node)
// in the port directory, else /dev/ttyS<n-1>.
#pragma once

#include <QString>

namespace common {

// $CABINET_COM_DIR when set, else ~/.config/cabinet-tools/com.
QString PortDirectory();
// The device path to open for port number n (n >= 1); empty for n < 1.
QString PortDeviceName(int number);

}  // namespace common
