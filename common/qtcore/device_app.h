// The pattern of both programs' application objects: the simulated device (if
// any) and the port are made first and destroyed last, so the link and session a
// program builds on top of them never outlive them. Each program derives its
// own application object from DeviceApp and adds its link and session members.
#pragma once

#include <memory>

#include "common/core/device_model.h"
#include "common/qtcore/serial_port.h"

namespace common {

class Prompts;

// The port a program talks through, and the device model behind it when simulated.
struct PortSetup {
  std::unique_ptr<DeviceModel> model;  // null for a real port
  std::unique_ptr<SerialPort> port;
};

// The serial port, or with a model the in-process simulated device; `paced`
// delivers simulated answers at the line rate so they take their wire time.
PortSetup MakePortSetup(std::unique_ptr<DeviceModel> model, bool paced = true);

class DeviceApp {
 public:
  DeviceApp(PortSetup setup, Prompts& prompts);
  virtual ~DeviceApp();
  DeviceApp(const DeviceApp&) = delete;
  DeviceApp& operator=(const DeviceApp&) = delete;

  SerialPort& Port() { return *port_; }
  Prompts& prompts() { return prompts_; }
  // The built-in simulated device ("/sim"), or null.
  DeviceModel* Model() { return model_.get(); }
  bool Simulated() const { return model_ != nullptr; }

 private:
  std::unique_ptr<DeviceModel> model_;
  std::unique_ptr<SerialPort> port_;
  Prompts& prompts_;
};

}  // namespace common
