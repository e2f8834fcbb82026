#include "tessera/sim/tbx_device.h"

namespace tessera::sim {

TbxDevice::TbxDevice(TbxOptions options, TbxLoaderOptions loader)
    : model_(options),
      tables_(InstallTables(model_)),
      event_log_(InstallEventLog(model_)),
      transitions_(InstallTransitions(model_)),
      loader_(model_, loader) {
  TbxLogSetup setup;
  setup.transitions = kDemoTransitions;
  setup.Apply(*event_log_, *transitions_);
}

}  // namespace tessera::sim
