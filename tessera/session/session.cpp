#include "tessera/session/session.h"

#include "common/qtcore/prompts.h"
#include "common/qtcore/serial_port.h"
#include "tessera/core/command_line.h"
#include "tessera/core/requests.h"
#include "tessera/link/unit_link.h"

namespace tessera {
namespace {

constexpr char kApplicationTitle[] = "Tessera";
constexpr char kLoaderModeText[] =
    "The TBX is in flash loader mode: polling has stopped, and the request was not sent.";
constexpr char kLoaderModeDetail[] =
    "Help > Flash Tools > Reboot TBX returns the TBX to normal operation\n"
    "(during a firmware update, wait until the update has ended).";

}  // namespace

Session::Session(SessionState& state, common::SerialPort& port, UnitLink& link,
                 common::Prompts& prompts, bool simulated, QObject* parent)
    : QObject(parent),
      state_(state),
      port_(port),
      link_(link),
      prompts_(prompts),
      simulated_(simulated),
      loop_(QStringLiteral("tmrPoll"), kPollIntervalMs, common::PollLoop::Mode::kRestartAfterTick) {
  loop_.SetTick([this] { Tick(); });
  loop_.SetBusy([this] { return link_.Busy(); });
  connect(&link_, &UnitLink::FirmwareVersionChanged, this,
          [this] { emit FirmwareChanged(FirmwareVersionDisplay(state_.identity)); });
}

Session::~Session() { loop_.Stop(); }

QString Session::PortText() const {
  return simulated_ ? QStringLiteral("EIA-232 Port = Simulated")
                    : QStringLiteral("EIA-232 Port = %1").arg(port_number_);
}

bool Session::Start(const QString& command_line, bool poll) {
  port_.SetSettings(QString::fromLatin1(kPortSettings));
  const CommandLine options = ParseCommandLine(command_line.toStdString());
  port_number_ = options.port_number;
  emit PortTextChanged(PortText());
  port_.SetPortNumber(port_number_);
  if (!port_.Open()) {
    const QString detail =
        !port_.ErrorDetail().isEmpty() ? port_.ErrorDetail() : port_.StatusText();
    prompts_.Show(common::Message{.title = kApplicationTitle,
                                  .text = "Open Port Error",
                                  .buttons = common::Buttons::kOk,
                                  .icon = common::Icon::kCritical,
                                  .detail = detail});
    loop_.Stop();
    return false;
  }

  UnitIdentity& identity = state_.identity;
  identity.extended_forced = options.kal;
  if (!options.kal) identity.extended_unit = false;
  emit ExtendedMenusShown(options.kal);
  identity.comm_version = 0;
  identity.firmware_type = 0;
  identity.firmware_revision = 0;
  state_.requests.Clear();
  state_.poll_count = 0;
  state_.transition_block = 0;
  shown_address_ = -1;
  loop_.Start(poll);
  return true;
}

void Session::Close() {
  loop_.Stop();
  port_.Close();
}

bool Session::PollTick() { return loop_.Fire(); }

void Session::SetRequestHandler(tessera::Request request, RequestTable::Handler handler) {
  request_table_.SetHandler(request, std::move(handler));
}

bool Session::Request(tessera::Request request) {
  if (PollingSuspended()) {
    prompts_.Show({.title = kApplicationTitle,
                   .text = kLoaderModeText,
                   .buttons = common::Buttons::kOk,
                   .icon = common::Icon::kInformation,
                   .detail = kLoaderModeDetail});
    return false;
  }
  state_.requests[request] = true;
  return true;
}

void Session::Tick() {
  const TickPlan plan = PlanTick(state_.poll_count);
  SendInputFrame();
  if (plan.status && !Stopping()) SendRMSFrame();
  if (state_.control.output_front_panel && !Stopping()) SendOutputFrame();
  if (plan.identify && !Stopping()) ExtendedIdentify();
  request_table_.Service(state_.requests, [this] { return Stopping() || PollingSuspended(); });
  state_.poll_count = NextPollCount(state_.poll_count);
}

bool Session::SendInputFrame() {
  const Bytes response = link_.Exchange(InputRequest(state_.control), kInputResponse);
  if (response.empty()) {
    emit LinkStateChanged(false);
    return false;
  }
  const int address = UnitAddressOf(response);
  state_.identity.unit_address = address;
  // The window lays itself out for an address: only a new one is worth announcing.
  if (address != shown_address_) {
    shown_address_ = address;
    emit AddressChanged(address);
  }
  state_.input_data = InputDataOf(response);
  emit InputsChanged(InputDataToForm(state_.input_data));
  emit LinkStateChanged(true);
  return true;
}

bool Session::SendRMSFrame() {
  const Bytes response = link_.Exchange(StatusRequest(), kStatusResponse);
  if (response.empty()) return false;
  const bool error = LineSyncErrorOf(response);
  emit LineSyncChanged(error);
  if (error && !Stopping()) link_.Exchange(LineSyncErrorRequest(), kStatusResponse);
  return true;
}

bool Session::SendOutputFrame() {
  return !link_.Exchange(OutputRequest(state_.output_data), kOutputResponse).empty();
}

bool Session::ExtendedIdentify() {
  if (link_.ExtendedIdentify()) return true;
  if (!state_.identity.extended_forced) emit ExtendedMenusShown(false);
  return false;
}

}  // namespace tessera
