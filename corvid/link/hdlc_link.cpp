#include "corvid/link/hdlc_link.h"

#include "common/prompts.h"
#include "common/qt_bytes.h"
#include "common/serial_port.h"

namespace corvid {

HdlcLink::HdlcLink(common::SerialPort& port, common::Prompts& prompts, QObject* parent)
    : QObject(parent), port_(port), prompts_(prompts) {
  connect(&port_, &common::SerialPort::BytesReceived, this, &HdlcLink::OnBytesReceived);
}

HdlcLink::~HdlcLink() = default;

void HdlcLink::SetSlotAddress(int slot) { slot_address_ = slot; }

std::optional<Bytes> HdlcLink::Exchange(common::ByteView tx_command) {
  // A poll tick or a click inside our wait must not take this exchange's answer.
  if (busy_) return std::nullopt;
  busy_ = true;
  bool ok = SendHDLCCommand(tx_command) && GetHDLCResponse();
  if (!ok) rx_frame_.clear();
  busy_ = false;
  emit ExchangeFinished(ok);
  if (!ok) return std::nullopt;
  return rx_frame_;
}

bool HdlcLink::SendHDLCCommand(common::ByteView tx_command) {
  // Bytes of an earlier exchange must never reach this response.
  port_.Discard();
  receiver_.Reset();
  rx_frame_.clear();
  tx_code_ = tx_command.empty() ? 0 : tx_command[0];
  // Armed before the write so an answer faster than our wait is not lost.
  armed_ = true;
  const Bytes frame = BuildCommandFrame(static_cast<std::uint8_t>(slot_address_), tx_command);
  if (!port_.Write(common::ToQByteArray(frame))) {
    // Nothing went out, so no answer can come: counts as a window without answer.
    armed_ = false;
    ++counters_.RxTimeoutCount;
    return false;
  }
  return true;
}

bool HdlcLink::GetHDLCResponse() {
  const common::WaitResult result =
      wait_.Until([this] { return receiver_.RxEnd(); }, response_window_ms_);
  armed_ = false;
  rx_frame_.clear();
  if (result == common::WaitResult::kQuit) return false;
  if (result == common::WaitResult::kTimeout) {
    ++counters_.RxTimeoutCount;
    return false;
  }
  const ResponseCheck check = EvaluateResponse(receiver_.RxFrame(), tx_code_);
  switch (check.kind) {
    case ResponseKind::kOk:
      rx_frame_ = check.payload;
      return true;
    case ResponseKind::kCrcError:
    case ResponseKind::kTooShort:
      ++counters_.CrcErrorCount;
      return false;
    case ResponseKind::kForeignCode:
      // The answer to an earlier command, late: ours did not come in the window.
      ++counters_.RxTimeoutCount;
      return false;
    case ResponseKind::kNak:
      if (counters_.RxNakCount < LinkCounters::kMaxNakCount) ++counters_.RxNakCount;
      return false;
    case ResponseKind::kUnknownCode:
      prompts_.Show({.title = QStringLiteral("Serial Bus #3 Error"),
                     .text = QStringLiteral("Unknown Frame Type Received (%1)").arg(check.code),
                     .buttons = common::Buttons::kOk,
                     .icon = common::Icon::kCritical,
                     .detail = {}});
      return false;
  }
  return false;
}

void HdlcLink::OnBytesReceived() {
  // Drain everything waiting; each byte goes through the receiver once, in order.
  while (port_.BytesWaiting() > 0) {
    const QByteArray chunk = port_.Read(port_.BytesWaiting());
    if (chunk.isEmpty()) break;
    if (!armed_ || receiver_.RxEnd()) continue;  // stale: no exchange wants it
    for (char ch : chunk) {
      if (receiver_.Take(static_cast<std::uint8_t>(ch))) {
        wait_.Wake();
        break;  // anything after the closing flag is not ours
      }
    }
  }
}

}  // namespace corvid
