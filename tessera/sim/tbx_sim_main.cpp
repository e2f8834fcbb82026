// tbx-sim: a simulated TBX on a pseudo-terminal, linked as COMn in the port
// directory, for end-to-end tests, benchmarks and demos.
#include <QCoreApplication>

#include "common/version.h"
#include "tessera/sim/tbx_device.h"
#include "tessera/sim/tbx_sim_args.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("tbx-sim");
  QCoreApplication::setApplicationVersion(common::kVersion);
  const auto parsed = tessera::sim::ParseTbxSimArgs(QCoreApplication::arguments().mid(1));
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  auto args = std::get<tessera::sim::TbxSimArgs>(parsed);
  tessera::sim::TbxDevice device(args.model, args.loader);
  args.logs.Apply(device.EventLog(), device.Transitions());
  args.pty.on_fault = [&device, &args](common::LineFault fault, bool on) {
    if (fault == common::LineFault::kChecksum) {
      device.Model().Options().corrupt_every = on ? 1 : args.model.corrupt_every;
    }
  };
  return common::RunPtyDevice(device, args.pty);
}
