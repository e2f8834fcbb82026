// Test helpers: frames written as hex text ("31 00 CE") and back.
#pragma once

#include <string>

#include "common/testing/test_support.h"
#include "tessera/link/frame.h"

namespace tessera::hex {

inline Frame B(const char* hex) {
  const QByteArray bytes = common::testing::Hex(hex);
  return Frame(bytes.begin(), bytes.end());
}

inline std::string H(ByteSpan frame) {
  return common::testing::ToHex(QByteArray(reinterpret_cast<const char*>(frame.data()),
                                           static_cast<qsizetype>(frame.size())))
      .toStdString();
}

}  // namespace tessera::hex
