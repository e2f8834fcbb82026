// Finding the port of the Sealevel USB adapter (vendor 0C52, product A001).
// Windows: the FTDI driver's registry key. Linux: the adapter in sysfs and the
// COMn link of the port directory that points at its tty.
#pragma once

#include <QString>

namespace corvid {

inline constexpr char kUsbVendorId[] = "0c52";
inline constexpr char kUsbProductId[] = "a001";
// Registry code for "not found" (and its text "SeaLevel USB driver is not installed.").
inline constexpr long kUsbNotFound = 2;

struct UsbSearchPaths {
  QString sysfs_root = QStringLiteral("/sys");
  QString port_dir;  // empty: common::PortDirectory()
};

struct UsbSearchResult {
  bool found = false;
  int port_number = 0;
  long error_code = 0;  // when not found
  QString message;      // box text when not found
  QString detail;       // how to fix it, when we know
};

// Text for a registry error code ("USB Unknown error = " + code for others).
QString UsbErrorText(long code);

// IsUSBinstalled: True with Portnum set, or False with ErrNum the error code.
bool IsUSBinstalled(int& portnum, long& errnum, const UsbSearchPaths& paths = {});
// Same, with the text of the "USB Search" box for a failure.
UsbSearchResult SearchUsbAdapter(const UsbSearchPaths& paths = {});

}  // namespace corvid
