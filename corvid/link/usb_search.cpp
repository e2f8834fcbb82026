#include "corvid/link/usb_search.h"

namespace corvid {

QString UsbErrorText(long) { return {}; }
bool IsUSBinstalled(int&, long& errnum, const UsbSearchPaths&) {
  errnum = kUsbNotFound;
  return false;
}
UsbSearchResult SearchUsbAdapter(const UsbSearchPaths&) { return {}; }

}  // namespace corvid
