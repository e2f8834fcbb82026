// switchpack-sim: a switch pack served on a pseudo-terminal as COMn.
#include <QCoreApplication>

#include "common/version.h"
#include "corvid/sim/sim_args.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("switchpack-sim");
  QCoreApplication::setApplicationVersion(common::kVersion);
  const auto parsed = corvid::ParseSimArgs(QCoreApplication::arguments().mid(1));
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  const auto& args = std::get<corvid::SimArgs>(parsed);
  corvid::SwitchPackModel model(args.model);
  return common::RunPtyDevice(model, args.pty);
}
