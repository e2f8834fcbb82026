#include "corvid/session/session.h"

#include <algorithm>

#include "common/qtcore/prompts.h"
#include "common/qtcore/serial_port.h"
#include "corvid/link/port_open.h"
#include "corvid/link/settings_store.h"

namespace corvid {

using monitor::StatusLayout;

Session::Session(LinkSettings& settings, SessionState& state, SettingsStore& store,
                 common::SerialPort& port, HdlcLink& link, common::Prompts& prompts, bool simulated,
                 QObject* parent)
    : QObject(parent),
      settings_(settings),
      state_(state),
      store_(store),
      port_(port),
      link_(link),
      prompts_(prompts),
      simulated_(simulated),
      loop_(QStringLiteral("tmrPoll"), kPollIntervalMs, common::PollLoop::Mode::kFreeRunning) {
  loop_.SetTick([this] { Tick(); });
  loop_.SetBusy([this] { return link_.Busy(); });
  connect(&loop_, &common::PollLoop::Fired, this,
          [this] { emit CountersChanged(link_.Counters()); });
  connect(&link_, &HdlcLink::ExchangeFinished, this, &Session::OnExchangeFinished);
  connect(&port_, &common::SerialPort::Reopened, this, [this] {
    emit PortOpened(port_.PortNumber());
    emit PortTextChanged(QStringLiteral("PC Comm Port = %1").arg(port_.PortNumber()));
  });
}

Session::~Session() { loop_.Stop(); }

void Session::Start() {
  settings_ = store_.Load();
  SetSlotAddress(std::clamp(settings_.SlotAddress, kMinSlotAddress, kMaxSlotAddress));
  if (simulated_) {
    // No serial port is used: nothing to store, and the panel says so.
    port_.SetSettings(QString::fromLatin1(kLineSettings));
    port_.Open();
    emit PortTextChanged(QStringLiteral("PC Comm Port = Simulated"));
  } else if (OpenStoredPort(port_, prompts_, settings_.PortNumber)) {
    // As the port dialog's OK does: the port that opened is the one remembered.
    store_.SavePortNumber(settings_.PortNumber);
    emit PortOpened(settings_.PortNumber);
    emit PortTextChanged(QStringLiteral("PC Comm Port = %1").arg(settings_.PortNumber));
  } else {
    // The adapter may simply not be plugged in yet: take it when it appears, as a
    // pulled one is, instead of counting a time-out on every tick for the whole run.
    port_.ReopenWhenPresent();
  }
  // Nothing may drive an output before the technician asks for it.
  disables_ = kAllOutputsDisabled;
  emit DisablesChanged(disables_);
  state_.poll_count = 0;
  loop_.Start();
}

void Session::Close() {
  loop_.Stop();
  port_.Close();
}

bool Session::PollTick() { return loop_.Fire(); }

void Session::Tick() {
  const monitor::TickPlan plan = monitor::PlanForTick(state_.poll_count);
  if (plan.identify) GetModuleID();
  if (plan.diagnostic) GetDiagnostic();
  GetStatus();
  if (state_.calibration_request != CalibrationRequest::kNone) {
    SetCalibration();
    state_.calibration_request = CalibrationRequest::kNone;
  }
  state_.poll_count = monitor::NextPollCount(state_.poll_count);
}

void Session::SetSlotAddress(int slot) {
  if (slot != settings_.SlotAddress) sent_factors_.reset();  // another device may answer
  settings_.SlotAddress = slot;
  link_.SetSlotAddress(slot);
  store_.SaveSlotAddress(slot);
  emit SlotAddressChanged(slot);
}

void Session::SetOutputDisabled(int output, bool disabled) {
  if (output < 0 || output >= monitor::kOutputs) return;
  const auto bit = static_cast<std::uint8_t>(1u << output);
  const std::uint8_t next = disabled ? (disables_ | bit) : (disables_ & ~bit);
  if (next == disables_) return;
  disables_ = next;
  emit DisablesChanged(disables_);
}

bool Session::ClaimOutputs(OutputsUser user) {
  if (outputs_holder_ == user) return true;
  if (outputs_holder_ != OutputsUser::kNone) return false;
  outputs_holder_ = user;
  emit OutputsHolderChanged(user);
  return true;
}

void Session::ReleaseOutputs(OutputsUser user) {
  if (outputs_holder_ != user || user == OutputsUser::kNone) return;
  outputs_holder_ = OutputsUser::kNone;
  emit OutputsHolderChanged(outputs_holder_);
}

void Session::SetFaultLed(int channel, bool on) {
  if (channel < 0 || channel > 1) return;
  const auto bit = static_cast<std::uint8_t>(1u << channel);
  fault_leds_ = on ? (fault_leds_ | bit) : (fault_leds_ & ~bit);
}

void Session::ClearErrors() {
  link_.Counters().Clear();
  emit CountersChanged(link_.Counters());
}

std::optional<Bytes> Session::Exchange(ByteView command) {
  if (link_.Busy()) return std::nullopt;  // never nest exchanges
  auto payload = link_.Exchange(command);
  loop_.FlushDeferred();
  return payload;
}

void Session::OnExchangeFinished(bool ok) {
  if (ok == responding_) return;
  responding_ = ok;
  emit RespondingChanged(ok);
}

bool Session::GetStatus() {
  const StatusLayout layout = monitor::LayoutForSlot(settings_.SlotAddress);
  if (layout_ != layout) {
    layout_ = layout;
    emit LayoutChanged(layout);
  }
  const auto payload = Exchange(monitor::BuildStatusCommand(layout, fault_leds_, disables_));
  if (!payload) return false;
  const auto reading = monitor::DecodeStatus(*payload);
  if (!reading) return false;
  last_status_ = *reading;
  emit StatusChanged(*reading);
  return true;
}

bool Session::GetDiagnostic() {
  const auto payload = Exchange(monitor::DiagnosticCommand());
  if (!payload) return false;
  const auto reading = monitor::DecodeDiagnostic(*payload);
  if (!reading) return false;
  emit DiagnosticChanged(*reading);
  return true;
}

bool Session::GetModuleID() {
  const auto payload = Exchange(monitor::ModuleIdCommand());
  if (!payload) return false;
  const std::string module_before = state_.module_id;
  if (!monitor::ApplyModuleId(*payload, state_)) return false;
  if (state_.module_id != module_before) sent_factors_.reset();  // a pack was swapped
  emit IdentityChanged(state_);
  return true;
}

bool Session::SetCalibration() {
  if (!calibration_source_) return false;
  const auto factors = calibration_source_();
  if (!factors) return false;
  if (!Exchange(monitor::BuildCalibrationCommand(*factors))) return false;
  sent_factors_ = *factors;
  if (state_.calibration_request == CalibrationRequest::kFromManualWindow) {
    prompts_.Show({.title = QStringLiteral("VANTA Calibration"),
                   .text = QStringLiteral("Calibration Set"),
                   .buttons = common::Buttons::kOk,
                   .icon = common::Icon::kWarning,
                   .detail = {}});
  }
  return true;
}

}  // namespace corvid
