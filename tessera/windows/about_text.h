// The text of Tessera's About box: the program's version and, once the unit has
// identified itself with the extended set, its firmware and comm versions.
#pragma once

#include <QString>

#include "tessera/core/identity.h"

namespace tessera::panel {

struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

// This build's version.
ProgramVersion TesseraVersion();

// Lines joined by CR LF; the unit's versions only when the extended flag is set.
QString AboutText(const ProgramVersion& version, const UnitIdentity& identity);

}  // namespace tessera::panel
