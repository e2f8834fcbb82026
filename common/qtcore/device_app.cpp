#include "common/qtcore/device_app.h"

#include "common/qtcore/qt_serial_port.h"
#include "common/qtcore/simulated_port.h"

namespace common {

PortSetup MakePortSetup(std::unique_ptr<DeviceModel> model, bool paced) {
  PortSetup setup;
  if (model) {
    auto port = std::make_unique<SimulatedPort>(model.get());
    port->SetPaced(paced);
    setup.port = std::move(port);
    setup.model = std::move(model);
  } else {
    setup.port = std::make_unique<QtSerialPort>();
  }
  setup.port->setObjectName(QStringLiteral("Comm1"));
  return setup;
}

DeviceApp::DeviceApp(PortSetup setup, Prompts& prompts)
    : model_(std::move(setup.model)), port_(std::move(setup.port)), prompts_(prompts) {}

DeviceApp::~DeviceApp() {
  if (port_->IsOpen()) port_->Close();
}

}  // namespace common
