// Tessera's application object: the process-wide values, the port, the link and
// the session, made and destroyed in the right order. The windows and the
// terminal tool are built on top of it.
#pragma once

#include "common/device_app.h"
#include "tessera/link/unit_link.h"
#include "tessera/session/app_state.h"
#include "tessera/session/session.h"

namespace tessera {

// The serial port, or with `simulated` the built-in simulated TBX ("/sim").
common::PortSetup TesseraPortSetup(bool simulated);

class TesseraApp : public common::DeviceApp {
 public:
  TesseraApp(common::PortSetup setup, common::Prompts& prompts);
  ~TesseraApp() override;

  AppState& State() { return state_; }
  UnitLink& Link() { return link_; }
  Session& session() { return session_; }

 private:
  AppState state_;
  UnitLink link_;
  Session session_;
};

}  // namespace tessera
