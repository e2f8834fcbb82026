// Corvid's application object: the stored settings, the process-wide values, the
// port, the link and the session, made and destroyed in the right order. The
// windows are built on top of it.
#pragma once

#include <memory>

#include "common/core/link_tap.h"
#include "common/qtcore/device_app.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/link/settings_store.h"
#include "corvid/session/session.h"
#include "corvid/session/session_state.h"

namespace corvid {

// The serial port, or with `simulated` the built-in simulated switch pack ("/sim"),
// which answers at whatever slot address is chosen.
common::PortSetup CorvidPortSetup(bool simulated);
// The technician's stored settings; a simulated session keeps its own, so trying
// things out never changes the slot address or port stored for the real device.
std::unique_ptr<SettingsStore> CorvidSettingsStore(bool simulated);

class CorvidApp : public common::DeviceApp {
 public:
  CorvidApp(common::PortSetup setup, common::Prompts& prompts,
            std::unique_ptr<SettingsStore> store);
  ~CorvidApp() override;

  SettingsStore& store() { return *store_; }
  LinkSettings& settings() { return settings_; }  // SlotAddress, PortNumber, calibration
  SessionState& state() { return state_; }
  HdlcLink& link() { return link_; }
  Session& session() { return session_; }
  // What crosses the line, for the Link Trace window.
  common::LinkTap& Tap() { return tap_; }

 private:
  std::unique_ptr<SettingsStore> store_;
  LinkSettings settings_;
  SessionState state_;
  common::LinkTap tap_;  // before the link, which reports to it
  HdlcLink link_;
  Session session_;
};

}  // namespace corvid
