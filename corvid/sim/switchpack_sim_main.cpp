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
  auto args = std::get<corvid::SimArgs>(parsed);
  corvid::SwitchPackModel model(args.model);
  // The faults that are about what the device says, not about the line.
  args.pty.on_fault = [&model, &args](common::LineFault fault, bool on) {
    corvid::SwitchPackOptions& now = model.Options();
    const corvid::SwitchPackOptions& usual = args.model;
    switch (fault) {
      case common::LineFault::kChecksum:
        now.bad_fcs_every = on ? 1 : usual.bad_fcs_every;
        break;
      case common::LineFault::kNak:
        now.nak_every = on ? 1 : usual.nak_every;
        break;
      case common::LineFault::kForeign:
        now.answer_previous = on || usual.answer_previous;
        break;
      default:
        break;
    }
  };
  return common::RunPtyDevice(model, args.pty);
}
