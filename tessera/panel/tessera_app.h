// Tessera's application object: the process-wide values, the port, the link and
// the main window, made and destroyed in the right order.
#pragma once

#include <QString>
#include <memory>

#include "common/serial_port.h"
#include "tessera/link/unit_link.h"
#include "tessera/panel/app_state.h"
#include "tessera/panel/main_window.h"

namespace common {
class Prompts;
}

namespace tessera::panel {

class TesseraApp {
 public:
  TesseraApp(std::unique_ptr<common::SerialPort> port, common::Prompts& prompts);
  ~TesseraApp();
  TesseraApp(const TesseraApp&) = delete;
  TesseraApp& operator=(const TesseraApp&) = delete;

  // The window's start-up sequence; false when the program is to end.
  bool Start(const QString& command_line) { return window_->Load(command_line); }

  AppState& State() { return state_; }
  common::SerialPort& Port() { return *port_; }
  UnitLink& Link() { return *link_; }
  MainWindow& Window() { return *window_; }

 private:
  AppState state_;
  std::unique_ptr<common::SerialPort> port_;
  std::unique_ptr<UnitLink> link_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace tessera::panel
