// switchpack-sim: a switch pack served on a pseudo-terminal as COMn.
#include <iostream>

#include "common/pty_device.h"
#include "corvid/sim/sim_args.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto parsed = corvid::ParseSimArgs(args, error);
  if (!parsed) {
    std::cerr << "switchpack-sim: " << error << "\n" << corvid::SimUsage();
    return 2;
  }
  if (parsed->help) {
    std::cout << corvid::SimUsage();
    return 0;
  }
  corvid::SwitchPackModel model(parsed->model);
  return common::RunPtyDevice(model, parsed->pty);
}
