#include "tessera/panel/tessera_app.h"

namespace tessera::panel {

TesseraApp::TesseraApp(std::unique_ptr<common::SerialPort> port, common::Prompts& prompts)
    : port_(std::move(port)),
      link_(std::make_unique<UnitLink>(*port_, prompts, state_.identity)),
      window_(std::make_unique<MainWindow>(state_, *port_, *link_, prompts)) {}

TesseraApp::~TesseraApp() {
  // The window (and its dialogs) go before the link and the port they use.
  window_.reset();
  if (port_->IsOpen()) port_->Close();
  link_.reset();
}

}  // namespace tessera::panel
