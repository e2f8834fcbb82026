// HEX files made by binutils' objcopy, which nobody here wrote, from random bytes,
// with the flash image they describe worked out independently.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "common/bytes.h"

namespace tessera::testing {

// The 128 KiB flash with `bytes` at `address`, every other byte 0xFF, and its
// 16-bit sum.
struct ReferenceImage {
  common::Bytes flash;
  std::uint16_t checksum = 0;
};

inline ReferenceImage Reference(common::ByteView bytes, std::uint32_t address) {
  ReferenceImage image{common::Bytes(0x20000, 0xFF), 0};
  for (std::size_t i = 0; i < bytes.size(); ++i) image.flash[address + i] = bytes[i];
  unsigned long sum = 0;
  for (std::uint8_t b : image.flash) sum += b;
  image.checksum = static_cast<std::uint16_t>(sum % 65536);
  return image;
}

inline common::Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  common::Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random() & 0xFF);
  return bytes;
}

inline std::optional<std::filesystem::path> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::stringstream dirs(path);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) continue;
    const std::filesystem::path candidate = std::filesystem::path(dir) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// The HEX text objcopy makes of `bytes` placed at `address`; nullopt with `problem`
// set when objcopy is missing or fails.
inline std::optional<std::string> ObjcopyHex(common::ByteView bytes, std::uint32_t address,
                                             std::string& problem) {
  const auto objcopy = FindOnPath("objcopy");
  if (!objcopy) {
    problem = "objcopy not found on PATH: install binutils to run this test";
    return std::nullopt;
  }
  std::string dir_template =
      (std::filesystem::temp_directory_path() / "flash-objcopy-XXXXXX").string();
  if (mkdtemp(dir_template.data()) == nullptr) {
    problem = "cannot make a temporary directory";
    return std::nullopt;
  }
  const std::filesystem::path dir = dir_template;
  const std::filesystem::path bin = dir / "image.bin";
  const std::filesystem::path hex = dir / "image.hex";
  {
    std::ofstream out(bin, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  char change[64];
  std::snprintf(change, sizeof change, " --change-addresses 0x%X", address);
  const std::string command = "'" + objcopy->string() + "' -I binary -O ihex" +
                              (address != 0 ? change : "") + " '" + bin.string() + "' '" +
                              hex.string() + "'";
  std::optional<std::string> text;
  if (std::system(command.c_str()) != 0) {
    problem = "objcopy failed: " + command;
  } else {
    std::ifstream in(hex, std::ios::binary);
    text = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return text;
}

}  // namespace tessera::testing
