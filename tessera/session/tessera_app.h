// Tessera's application object: the process-wide values, the port, the link and
// the session, made and destroyed in the right order. The windows and the
// terminal tool are built on top of it.
#pragma once

#include "common/core/link_tap.h"
#include "common/qtcore/device_app.h"
#include "tessera/link/unit_link.h"
#include "tessera/session/config_routines.h"
#include "tessera/session/log_routines.h"
#include "tessera/session/session.h"
#include "tessera/session/session_state.h"

namespace tessera {

// The serial port, or with `simulated` the built-in simulated TBX ("/sim").
common::PortSetup TesseraPortSetup(bool simulated);

class TesseraApp : public common::DeviceApp {
 public:
  TesseraApp(common::PortSetup setup, common::Prompts& prompts);
  ~TesseraApp() override;

  SessionState& State() { return state_; }
  UnitLink& Link() { return link_; }
  Session& session() { return session_; }
  // The routines the configuration dialogs and the log windows ask the tick for.
  config::ConfigRoutines& Config() { return config_; }
  logs::LogRoutines& Logs() { return logs_; }
  // What crosses the line, for the Link Trace window and --trace.
  common::LinkTap& Tap() { return tap_; }

 private:
  SessionState state_;
  common::LinkTap tap_;  // before the link, which reports to it
  UnitLink link_;
  Session session_;
  config::ConfigRoutines config_;
  logs::LogRoutines logs_;
};

}  // namespace tessera
