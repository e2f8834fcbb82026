#include "tessera/session/tessera_app.h"

#include "tessera/sim/tbx_device.h"

namespace tessera {

common::PortSetup TesseraPortSetup(bool simulated) {
  return common::MakePortSetup(simulated ? std::make_unique<sim::TbxDevice>() : nullptr);
}

TesseraApp::TesseraApp(common::PortSetup setup, common::Prompts& prompts)
    : DeviceApp(std::move(setup), prompts),
      link_(Port(), prompts, state_.identity),
      session_(state_, Port(), link_, prompts, Model() != nullptr),
      config_(session_),
      logs_(session_) {
  link_.SetTap(&tap_);
}

TesseraApp::~TesseraApp() = default;

}  // namespace tessera
