// HEX files made by binutils' objcopy, which nobody here wrote, from random bytes,
// and the flash image they describe, worked out independently.
#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <optional>
#include <random>
#include <string>

#include "common/core/bytes.h"

namespace tessera::testing {

// The 128 KiB flash with `bytes` at `address`, 0xFF elsewhere, and its 16-bit sum.
struct ReferenceImage {
  common::Bytes flash = common::Bytes(0x20000, 0xFF);
  std::uint16_t checksum = 0;
};

inline ReferenceImage Reference(common::ByteView bytes, std::uint32_t address) {
  ReferenceImage image;
  for (std::size_t i = 0; i < bytes.size(); ++i) image.flash[address + i] = bytes[i];
  unsigned long sum = 0;
  for (std::uint8_t b : image.flash) sum += b;
  image.checksum = static_cast<std::uint16_t>(sum % 65536);
  return image;
}

inline common::Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  common::Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// objcopy's HEX text of `bytes` placed at `address`; nullopt with `problem` set when
// objcopy (binutils) is missing or fails.
inline std::optional<std::string> ObjcopyHex(common::ByteView bytes, std::uint32_t address,
                                             std::string& problem) {
  QTemporaryDir dir;
  QFile bin(dir.filePath("image.bin")), hex(dir.filePath("image.hex"));
  if (bin.open(QIODevice::WriteOnly))
    bin.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
  bin.close();
  QProcess objcopy;
  objcopy.start("objcopy", {"-I", "binary", "-O", "ihex", "--change-addresses",
                            QString::number(address), bin.fileName(), hex.fileName()});
  if (!objcopy.waitForFinished() || objcopy.exitCode() != 0 || !hex.open(QIODevice::ReadOnly)) {
    problem = "objcopy failed (install binutils to run this test)";
    return std::nullopt;
  }
  return hex.readAll().toStdString();
}

}  // namespace tessera::testing
