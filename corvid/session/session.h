// Corvid's device session: the stored settings and the port at start-up, the
// 50 ms poll tick with its schedule, the command functions and what their answers
// say (the last status reading as data), the technician's output disables and
// fault indicators, and the link counters. It never touches a widget: the main
// window, Check Outputs and the calibration windows all drive the device through it.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>

#include "common/qtcore/poll_loop.h"
#include "corvid/core/commands.h"
#include "corvid/core/link_settings.h"
#include "corvid/core/response_decoders.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/session/session_state.h"

namespace common {
class Prompts;
class SerialPort;
}  // namespace common

namespace corvid {

class SettingsStore;

class Session : public QObject {
  Q_OBJECT
 public:
  static constexpr int kPollIntervalMs = 50;
  static constexpr std::uint8_t kAllOutputsDisabled = 0x3F;

  Session(LinkSettings& settings, SessionState& state, SettingsStore& store,
          common::SerialPort& port, HdlcLink& link, common::Prompts& prompts, bool simulated,
          QObject* parent = nullptr);
  ~Session() override;

  // Start-up: the stored settings read, the slot address applied (and stored
  // back), the stored port opened without the port dialog ("COM Port Open Error"
  // on failure; on success its number is stored, as the dialog's OK does, and a
  // port missing now opens by itself once it is there), every output disabled,
  // polling started.
  void Start();
  // Polling stops for good and the port closes.
  void Close();

  // --- Poll cycle ---
  // One expiry of the poll timer: the tick under the tick guard (false when skipped),
  // then the counters are reported.
  bool PollTick();
  void SetTickGate(std::function<bool()> open) { loop_.SetGate(std::move(open)); }
  common::PollLoop& Loop() { return loop_; }
  // Runs fn when no tick or exchange is in progress (procedures with waits of
  // their own must never start inside one).
  void RunWhenIdle(std::function<void()> fn) { loop_.RunWhenIdle(std::move(fn)); }

  // --- Who drives the outputs: Check Outputs or a calibration, never both ---
  enum class OutputsUser { kNone, kCheckOutputs, kCalibration };
  // False (nothing changes) while the other one holds them.
  bool ClaimOutputs(OutputsUser user);
  void ReleaseOutputs(OutputsUser user);
  OutputsUser OutputsHolder() const { return outputs_holder_; }

  // --- What the status command carries ---
  void SetSlotAddress(int slot);
  int SlotAddress() const { return settings_.SlotAddress; }
  void SetOutputDisabled(int output, bool disabled);
  std::uint8_t Disables() const { return disables_; }
  void SetFaultLed(int channel, bool on);

  // --- Command functions: one exchange each; true on a valid, decodable answer ---
  bool GetStatus();
  bool GetModuleID();
  bool GetDiagnostic();
  // Sends the factors of the calibration source; false without a source.
  bool SetCalibration();
  // The factors the device last accepted from this program; nothing before the first,
  // or once another slot address or module may be answering.
  const std::optional<monitor::CalibrationFactors>& SentFactors() const { return sent_factors_; }
  void SetCalibrationSource(std::function<std::optional<monitor::CalibrationFactors>()> source) {
    calibration_source_ = std::move(source);
  }
  void RequestCalibration(CalibrationRequest request) { state_.calibration_request = request; }
  // Clear Errors: the link counters go back to 0; nothing is sent.
  void ClearErrors();

  // The last status the device reported, as data (nothing before the first one).
  const std::optional<monitor::StatusReading>& LastStatus() const { return last_status_; }
  const LinkCounters& Counters() const { return link_.Counters(); }
  bool Responding() const { return responding_; }
  SessionState& state() { return state_; }
  LinkSettings& settings() { return settings_; }
  common::Prompts& prompts() { return prompts_; }
  bool Simulated() const { return simulated_; }

 signals:
  void SlotAddressChanged(int slot);
  // The port opened at start-up, or later by itself after it was missing or lost.
  void PortOpened(int port_number);
  // Status bar panel 2: "PC Comm Port = 5", or "PC Comm Port = Simulated".
  void PortTextChanged(const QString& text);
  // The status layout of the slot address, before the first status command and
  // whenever a new slot address changes it.
  void LayoutChanged(monitor::StatusLayout layout);
  void StatusChanged(const monitor::StatusReading& reading);
  void DiagnosticChanged(const monitor::DiagnosticReading& reading);
  void IdentityChanged(const monitor::DeviceIdentity& identity);
  // The device started or stopped answering (only changes are reported).
  void RespondingChanged(bool responding);
  // On every expiry of the poll timer, also while a menu holds the tick, and
  // after Clear Errors.
  void CountersChanged(const LinkCounters& counters);
  void DisablesChanged(std::uint8_t disables);
  void OutputsHolderChanged(OutputsUser holder);

 private:
  void Tick();
  std::optional<Bytes> Exchange(ByteView command);
  void OnExchangeFinished(bool ok);

  LinkSettings& settings_;
  SessionState& state_;
  SettingsStore& store_;
  common::SerialPort& port_;
  HdlcLink& link_;
  common::Prompts& prompts_;
  bool simulated_;
  std::function<std::optional<monitor::CalibrationFactors>()> calibration_source_;
  std::optional<monitor::StatusLayout> layout_;
  std::optional<monitor::StatusReading> last_status_;
  std::optional<monitor::CalibrationFactors> sent_factors_;
  OutputsUser outputs_holder_ = OutputsUser::kNone;
  std::uint8_t disables_ = kAllOutputsDisabled;
  std::uint8_t fault_leds_ = 0;
  bool responding_ = false;
  common::PollLoop loop_;
};

}  // namespace corvid
