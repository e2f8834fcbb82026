// Tessera's device session: opens the port at start-up, runs the poll tick with
// its schedule (input, status and its line-sync follow-up, outputs, identify) and
// the request flags, and says what changed. It never touches a widget: the main
// window, the dialogs and the terminal tool all drive the unit through it.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "common/qtcore/poll_loop.h"
#include "tessera/core/identity.h"
#include "tessera/core/io_mapping.h"
#include "tessera/core/poll_schedule.h"
#include "tessera/session/session_state.h"

namespace common {
class Prompts;
class SerialPort;
}  // namespace common

namespace tessera {

class UnitLink;

class Session : public QObject {
  Q_OBJECT
 public:
  static constexpr int kPollIntervalMs = 100;
  static constexpr char kPortSettings[] = "19200,E,8,1";

  Session(SessionState& state, common::SerialPort& port, UnitLink& link, common::Prompts& prompts,
          bool simulated, QObject* parent = nullptr);
  ~Session() override;

  // Start-up: line settings, "/comm=" and "/kal" from the command line, the port
  // opened, the identity and request flags reset, polling started (unless `poll` is
  // false: a terminal tool runs its exchanges itself). False when the port would
  // not open ("Open Port Error" has been shown; the program ends).
  bool Start(const QString& command_line, bool poll = true);
  // Polling stops for good and the port closes (the program is closing).
  void Close();

  // One expiry of the poll timer: the tick under the tick guard (skipped inside an exchange, while
  // the gate is shut, while suspended or closing). False when it was skipped.
  bool PollTick();
  // The firmware update takes the link over: no tick runs until ResumePolling().
  void SuspendPolling() { loop_.Suspend(); }
  void ResumePolling() { loop_.Resume(); }
  bool PollingSuspended() const { return loop_.Suspended(); }
  bool Stopping() const { return loop_.Stopped(); }
  common::PollLoop& Loop() { return loop_; }

  // What the input request carries (input, output and transition-buffer control,
  // zero-crossing logging), and the output bytes the tick sends while the outputs
  // are on the front panel.
  void SetControl(const InputControl& control) { state_.control = control; }
  void SetOutputs(const OutputData& outputs) { state_.output_data = outputs; }

  // Request flags: a dialog sets one; the next tick runs the routine registered
  // for it, in the fixed order. While polling is suspended (the unit is in its flash
  // loader) a request is refused with a box that says so, rather than held and fired
  // by surprise after the reboot. False when refused.
  void SetRequestHandler(tessera::Request request, RequestTable::Handler handler);
  bool Request(tessera::Request request);

  // The front-panel exchanges of the tick; true when the unit answered (for the
  // identify exchange: with the extended set).
  bool SendInputFrame();
  bool SendRMSFrame();
  bool SendOutputFrame();
  bool ExtendedIdentify();

  SessionState& State() { return state_; }
  UnitLink& Link() { return link_; }
  common::SerialPort& Port() { return port_; }
  common::Prompts& prompts() { return prompts_; }
  bool Simulated() const { return simulated_; }
  // "EIA-232 Port = 7", or "EIA-232 Port = Simulated".
  QString PortText() const;

 signals:
  void PortTextChanged(const QString& text);
  // "/kal" shows the Configure and Buffers menus; a unit that does not identify
  // with the extended set hides them again unless "/kal" was given.
  void ExtendedMenusShown(bool shown);
  // Every input exchange: true for a valid response.
  void LinkStateChanged(bool responding);
  // A valid input response: its indicators, and the unit address when it changed.
  void InputsChanged(const InputLamps& lamps);
  void AddressChanged(int address);
  // A valid status response: true when it reports a line-sync error.
  void LineSyncChanged(bool error);
  // A successful extended response changed (or re-confirmed) the unit's versions.
  void FirmwareChanged(const FirmwareDisplay& display);

 private:
  void Tick();

  SessionState& state_;
  common::SerialPort& port_;
  UnitLink& link_;
  common::Prompts& prompts_;
  bool simulated_;
  int port_number_ = 1;
  int shown_address_ = -1;  // address whose layout was last announced; -1: none yet
  RequestTable request_table_;
  common::PollLoop loop_;
};

}  // namespace tessera
