// corvid-cli: Corvid's terminal tool; see --help.
#include <QCoreApplication>

#include "common/version.h"
#include "corvid/cli/cli.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("corvid-cli");
  QCoreApplication::setApplicationVersion(common::kVersion);
  return corvid::cli::RunCorvidCli(QCoreApplication::arguments().mid(1));
}
