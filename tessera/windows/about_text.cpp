#include "tessera/windows/about_text.h"

#include <QStringList>

#include "common/version.h"

namespace tessera::panel {
namespace {

QString Nibbles(std::uint8_t value, const char* separator) {
  return QString::fromStdString(NibbleVersionText(value, separator));
}

}  // namespace

ProgramVersion TesseraVersion() {
  return {common::kVersionMajor, common::kVersionMinor, common::kVersionPatch};
}

QString AboutText(const ProgramVersion& version, const UnitIdentity& identity) {
  QString first = QString("Tessera Version %1.%2").arg(version.major).arg(version.minor);
  if (version.revision != 0) first += "." + QString::number(version.revision);
  QStringList lines = {first, "ITS Cabinet Standard v01.02.17b", ""};
  if (identity.extended_unit) {
    lines << "TBX Firmware Version = " + Nibbles(identity.firmware_type, "")
          << "TBX Firmware Revision = " + Nibbles(identity.firmware_revision, ".")
          << "TBX Comm Version = " + Nibbles(identity.comm_version, ".");
  }
  return lines.join("\r\n");
}

}  // namespace tessera::panel
