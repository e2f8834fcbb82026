#include "corvid/link/hdlc_link.h"

#include <algorithm>

#include "common/core/link_tap.h"
#include "common/qtcore/prompts.h"
#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/serial_port.h"
#include "corvid/core/trace_names.h"

namespace corvid {

HdlcLink::HdlcLink(common::SerialPort& port, common::Prompts& prompts, QObject* parent)
    : PortLink(port, prompts, parent) {
  connect(&port_, &common::SerialPort::BytesReceived, this, &HdlcLink::OnBytesReceived);
}

HdlcLink::~HdlcLink() = default;

void HdlcLink::SetSlotAddress(int slot) { slot_address_ = slot; }

std::optional<Bytes> HdlcLink::Exchange(common::ByteView tx_command) {
  // A poll tick or a click inside our wait must not take this exchange's answer.
  if (Busy()) return std::nullopt;
  bool ok;
  {
    const BusyScope busy(*this);
    ok = SendCommand(tx_command) && AwaitResponse();
    if (!ok) rx_frame_.clear();
  }
  emit ExchangeFinished(ok);
  if (!ok) return std::nullopt;
  return rx_frame_;
}

bool HdlcLink::SendCommand(common::ByteView tx_command) {
  // Bytes of an earlier exchange must never reach this response.
  DropWaiting();
  receiver_.Reset();
  rx_frame_.clear();
  tx_code_ = tx_command.empty() ? 0 : tx_command[0];
  ForgetAnswer();
  // Armed before the write so an answer faster than our wait is not lost.
  armed_ = true;
  const Bytes frame = BuildCommandFrame(static_cast<std::uint8_t>(slot_address_), tx_command);
  if (!port_.Write(common::ToQByteArray(frame))) {
    // Nothing went out, so no answer can come: counts as a window without answer.
    armed_ = false;
    ++counters_.timeouts;
    if (Tracing()) {
      const QString status = port_.StatusText();
      Tap().Sent(
          CommandTraceName(tx_code_), frame, common::TraceOutcome::kPortLost,
          "not sent, " + (status.isEmpty() ? std::string("port closed") : status.toStdString()));
    }
    return false;
  }
  if (Tracing()) Tap().Sent(CommandTraceName(tx_code_), frame);
  return true;
}

bool HdlcLink::AwaitResponse() {
  using common::TraceOutcome;
  const common::WaitResult result =
      wait_.Until([this] { return receiver_.RxEnd(); }, response_window_ms_);
  armed_ = false;
  rx_frame_.clear();
  if (result == common::WaitResult::kQuit) {
    TraceAnswer(TraceOutcome::kAbandoned);
    return false;
  }
  if (result == common::WaitResult::kTimeout) {
    ++counters_.timeouts;
    TraceAnswer(TraceOutcome::kTimeout, response_window_ms_);
    return false;
  }
  const ResponseCheck check = EvaluateResponse(receiver_.Frame(), tx_code_);
  switch (check.kind) {
    case ResponseKind::kOk:
      rx_frame_ = check.payload;
      TraceAnswer(TraceOutcome::kOk);
      return true;
    case ResponseKind::kCrcError:
      ++counters_.crc_errors;
      TraceAnswer(TraceOutcome::kFcsError);
      return false;
    case ResponseKind::kTooShort:
      ++counters_.crc_errors;
      TraceAnswer(TraceOutcome::kWrongLength, 0, "too short for a response code");
      return false;
    case ResponseKind::kForeignCode:
      // The answer to an earlier command, late: ours did not come in the window.
      ++counters_.timeouts;
      TraceAnswer(TraceOutcome::kUnexpectedCode, check.code, "the answer to another command");
      return false;
    case ResponseKind::kNak:
      if (counters_.naks < LinkCounters::kMaxNakCount) ++counters_.naks;
      TraceAnswer(TraceOutcome::kNak);
      return false;
    case ResponseKind::kUnknownCode:
      // In the trace before the box, so the trace shows what the box is about.
      TraceAnswer(TraceOutcome::kUnexpectedCode, check.code);
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
    const common::ByteView bytes = common::View(chunk);
    if (!armed_) {  // stale: no exchange wants it
      TraceDropped(bytes);
      continue;
    }
    std::size_t taken = 0;
    while (!receiver_.RxEnd() && taken < bytes.size()) {
      if (receiver_.Take(bytes[taken++])) wait_.Wake();
    }
    // Anything after the closing flag is not ours; the trace lists it after the answer.
    if (Tracing()) {
      Keep(rx_wire_, rx_wire_total_, bytes.first(taken));
      Keep(rx_after_, rx_after_total_, bytes.subspan(taken));
    }
  }
}

void HdlcLink::TraceDropped(common::ByteView bytes) {
  if (!bytes.empty() && Tracing()) Tap().Dropped(bytes);
}

void HdlcLink::TraceAnswer(common::TraceOutcome outcome, int value, std::string detail) {
  if (Tracing()) {
    Tap().Received(CommandTraceName(tx_code_), rx_wire_, outcome, value, std::move(detail),
                   rx_wire_total_);
    if (rx_after_total_ > 0) Tap().Dropped(rx_after_, rx_after_total_);
  }
  ForgetAnswer();
}

void HdlcLink::ForgetAnswer() {
  rx_wire_.clear();
  rx_after_.clear();
  rx_wire_total_ = 0;
  rx_after_total_ = 0;
}

void HdlcLink::Keep(Bytes& kept, std::size_t& total, common::ByteView more) {
  // A flooding line must not grow the trace's copy without end.
  total += more.size();
  const std::size_t room =
      kept.size() < common::kMaxRecordBytes ? common::kMaxRecordBytes - kept.size() : 0;
  kept.insert(kept.end(), more.begin(), more.begin() + std::min(room, more.size()));
}

}  // namespace corvid
