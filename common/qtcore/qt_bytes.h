// Conversions between the programs' byte type and Qt's QByteArray, which the
// serial port speaks. The only place bytes change representation.
#pragma once

#include <QByteArray>

#include "common/core/bytes.h"

namespace common {

inline ByteView View(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}

inline QByteArray ToQByteArray(ByteView bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

}  // namespace common
