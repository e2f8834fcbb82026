// Test-only: a sysfs tree with the USB adapter, another USB serial adapter and a
// built-in port, and a port directory whose COMn links point into it.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "corvid/link/usb_search.h"

namespace corvid::testing {

class FakeSysfs {
 public:
  FakeSysfs() {
    AddTty("ttyUSB0", "usb1/1-1", "0c52\n", "a001\n");
    AddTty("ttyUSB1", "usb1/1-2", "0403\n", "6001\n");
    AddTty("ttyS0", "platform/serial8250", nullptr, nullptr);
    QDir().mkpath(Path("sys/class/tty/tty0"));  // virtual console: no device link
    QDir().mkpath(Path("com"));
  }
  QString Path(const QString& relative) const { return dir_.filePath(relative); }
  void Link(const char* com, const char* tty) {
    QFile::link(Path("dev/") + tty, Path("com/") + com);
  }
  UsbSearchPaths Paths() const { return {Path("sys"), Path("com")}; }

 private:
  void AddTty(const QString& tty, const QString& device, const char* vendor, const char* product) {
    const QString usb = "sys/devices/" + device, node = usb + "/port0/" + tty + "/tty/" + tty;
    QDir().mkpath(Path(node));
    QDir().mkpath(Path("dev"));
    QDir().mkpath(Path("sys/class/tty"));
    QFile(Path("dev/" + tty)).open(QIODevice::WriteOnly);
    for (const auto& [file, text] : {std::pair{"/idVendor", vendor}, {"/idProduct", product}}) {
      QFile out(Path(usb + file));
      if (text && out.open(QIODevice::WriteOnly)) out.write(text);
    }
    QFile::link("../../../" + tty, Path(node + "/device"));
    QFile::link(Path(node), Path("sys/class/tty/" + tty));
  }
  QTemporaryDir dir_;
};

}  // namespace corvid::testing
