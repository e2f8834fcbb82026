// tessera-cli: Tessera's terminal tool; see --help.
#include <QCoreApplication>

#include "common/version.h"
#include "tessera/cli/cli.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("tessera-cli");
  QCoreApplication::setApplicationVersion(common::kVersion);
  return tessera::cli::RunTesseraCli(QCoreApplication::arguments().mid(1));
}
