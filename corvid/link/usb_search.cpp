#include "corvid/link/usb_search.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "common/qtcore/port_names.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace corvid {
namespace {

#ifdef _WIN32

constexpr char kUsbKey[] =
    "SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS\\VID_0C52+PID_A001+SLEIRFIVA\\0000\\Device "
    "Parameters";

// String values without their NUL, 32-bit numbers as text; other types -1.
long QueryValueEx(HKEY key, const char* name, QString& value) {
  DWORD type = 0;
  DWORD size = 0;
  LONG code = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (code != ERROR_SUCCESS) return code;
  if (type == REG_SZ) {
    QByteArray buffer(static_cast<qsizetype>(size), '\0');
    code = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer.data()),
                            &size);
    if (code != ERROR_SUCCESS) {
      value.clear();
      return code;
    }
    if (size > 0) buffer.truncate(static_cast<qsizetype>(size) - 1);
    value = QString::fromLocal8Bit(buffer);
    return 0;
  }
  if (type == REG_DWORD) {
    DWORD number = 0;
    size = sizeof number;
    code = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(&number), &size);
    if (code != ERROR_SUCCESS) return code;
    value = QString::number(number);
    return 0;
  }
  return -1;
}

long QueryValue(HKEY root, const char* path, const char* name, QString& value) {
  HKEY key = nullptr;
  long code = RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key);
  if (code == ERROR_SUCCESS) code = QueryValueEx(key, name, value);
  if (key != nullptr) RegCloseKey(key);
  if (code != 0) value = UsbErrorText(code);
  return code;
}

UsbSearchResult Search(const UsbSearchPaths&) {
  UsbSearchResult result;
  QString name;
  const long code = QueryValue(HKEY_LOCAL_MACHINE, kUsbKey, "PortName", name);
  if (code == 0) {
    result.found = true;
    result.port_number = name.mid(3).toInt();
    return result;
  }
  result.error_code = code;
  result.message = UsbErrorText(code) + QStringLiteral(" Error=") + QString::number(code);
  return result;
}

#else

// Number after "COM" in a port name ("COM12" -> 12); 0 when there is none.
int PortNumberFromName(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^COM(\\d+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
  const auto match = pattern.match(name.trimmed());
  return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString ReadTrimmed(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll()).trimmed().toLower();
}

// Walks up from a tty's device directory to the USB device that owns it.
bool BelongsToAdapter(const QString& device_dir, const QString& root) {
  QDir dir(device_dir);
  while (dir.absolutePath().startsWith(root) && dir.absolutePath() != root) {
    if (ReadTrimmed(dir.filePath("idVendor")) == QLatin1String(kUsbVendorId) &&
        ReadTrimmed(dir.filePath("idProduct")) == QLatin1String(kUsbProductId)) {
      return true;
    }
    if (!dir.cdUp()) break;
  }
  return false;
}

// tty names (ttyUSB0 ...) of the adapter's serial ports, as sysfs lists them.
QStringList AdapterTtys(const QString& sysfs_root) {
  const QString root = QFileInfo(sysfs_root).canonicalFilePath();
  QStringList ttys;
  if (root.isEmpty()) return ttys;
  const QDir class_tty(root + QStringLiteral("/class/tty"));
  for (const QString& name :
       class_tty.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
    const QString device = QFileInfo(class_tty.filePath(name) + "/device").canonicalFilePath();
    if (!device.isEmpty() && BelongsToAdapter(device, root)) ttys << name;
  }
  ttys.sort();
  return ttys;
}

UsbSearchResult Search(const UsbSearchPaths& paths) {
  UsbSearchResult result;
  result.error_code = kUsbNotFound;
  result.message =
      UsbErrorText(kUsbNotFound) + QStringLiteral(" Error=") + QString::number(kUsbNotFound);
  const QStringList ttys = AdapterTtys(paths.sysfs_root);
  if (ttys.isEmpty()) return result;
  const QString port_dir = paths.port_dir.isEmpty() ? common::PortDirectory() : paths.port_dir;
  const QDir dir(port_dir);
  int best = 0;
  for (const QFileInfo& entry :
       dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
    const int number = PortNumberFromName(entry.fileName());
    if (number <= 0) continue;
    const QString target = QFileInfo(entry.canonicalFilePath()).fileName();
    if (ttys.contains(target) && (best == 0 || number < best)) best = number;
  }
  if (best > 0) {
    result.found = true;
    result.port_number = best;
    return result;
  }
  // The adapter is there but has no port number yet: the detail says how to give it one.
  result.detail = QStringLiteral(
                      "The USB adapter is connected as /dev/%1, but no COM link in %2 "
                      "points at it.\nLink it once, for example: ln -s /dev/%1 %2/COM5")
                      .arg(ttys.front(), QDir::toNativeSeparators(port_dir));
  return result;
}

#endif

}  // namespace

QString UsbErrorText(long code) {
  switch (code) {
    case 0:
      return QStringLiteral("ERROR_NONE");
    case 1:
      return QStringLiteral("USB ERROR_BADDB");
    case 2:
      return QStringLiteral("SeaLevel USB driver is not installed.");
    case 3:
      return QStringLiteral("USB ERROR_CANTOPEN");
    case 4:
      return QStringLiteral("USB ERROR_CANTREAD");
    case 5:
      return QStringLiteral("USB ERROR_CANTWRITE");
    case 6:
      return QStringLiteral("USB ERROR_OUTOFMEMORY");
    case 7:
      return QStringLiteral("USB ERROR_ARENA_TRASHED");
    case 8:
      return QStringLiteral("USB ERROR_ACCESS_DENIED");
    case 87:
      return QStringLiteral("USB ERROR_INVALID_PARAMETERS");
    case 259:
      return QStringLiteral("USB ERROR_NO_MORE_ITEMS");
    default:
      return QStringLiteral("USB Unknown error = ") + QString::number(code);
  }
}

UsbSearchResult SearchUsbAdapter(const UsbSearchPaths& paths) { return Search(paths); }

bool IsUSBinstalled(int& portnum, long& errnum, const UsbSearchPaths& paths) {
  const UsbSearchResult result = Search(paths);
  if (result.found) {
    portnum = result.port_number;
    return true;
  }
  errnum = result.error_code;
  return false;
}

}  // namespace corvid
