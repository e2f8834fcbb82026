#include "tessera/link/unit_link.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "common/core/link_tap.h"
#include "common/qtcore/prompts.h"
#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/serial_port.h"
#include "tessera/core/trace_names.h"

namespace tessera {
namespace {

constexpr char kTimeoutText[] = "Rx Timeout Error";
constexpr char kChecksumText[] = "Checksum Error";

// Receive error codes of the port and the text each one shows; other codes are
// not errors of the exchange.
const char* ReceiveErrorText(int code) {
  switch (code) {
    case common::kFramingError:
      return "Rx Framing Error";
    case common::kOverrunError:
      return "Rx Data Overrun Error";
    case common::kBufferOverflowError:
      return "Rx Buffer Overrun Error";
    case common::kParityError:
      return "Rx Parity Error";
    default:
      return nullptr;
  }
}

}  // namespace

UnitLink::UnitLink(common::SerialPort& port, common::Prompts& prompts, UnitIdentity& identity,
                   QObject* parent)
    : PortLink(port, prompts, parent), identity_(identity) {
  connect(&port_, &common::SerialPort::BytesReceived, this, [this] {
    if (Busy()) {
      if (body_expected_ > 0) {
        emit ResponseProgress(static_cast<qint64>(rx_frame_.size()) + port_.BytesWaiting(),
                              body_expected_);
      }
      wait_.Wake();
    } else {
      // The unit never speaks unasked: whatever comes between exchanges is noise or a
      // late answer, and left waiting it would only pile up.
      ++counters_.idle_discards;
      DropWaiting();
    }
  });
  connect(&port_, &common::SerialPort::TransmitDone, this, [this] {
    tx_done_ = true;
    wait_.Wake();
  });
  connect(&port_, &common::SerialPort::ReceiveError, this, &UnitLink::OnReceiveError);
  connect(&port_, &common::SerialPort::Lost, this, &UnitLink::OnLost);
}

UnitLink::~UnitLink() = default;

Bytes UnitLink::Exchange(ByteView request, ResponseShape shape, int timeout_ms, bool show_errors,
                         int silent_retries, const QString& what_failed) {
  if (Busy()) {
    // A timer or click inside our wait: nesting would steal this exchange's answer.
    ++counters_.rejected_busy;
    return {};
  }
  {
    const BusyScope busy(*this);
    request_ = request;
    ++counters_.exchanges;
    retry_count_ = silent_retries;
    what_failed_ = what_failed;
    for (bool first = true;; first = false) {
      if (!first) ++counters_.resends;
      DropWaiting();
      tx_done_ = false;
      comm_error_ = 0;
      bool done;
      if (SendRequest(request)) {
        if (Tracing()) Tap().Sent(RequestTraceName(request), request);
        done = ReceiveResponse(shape, show_errors, timeout_ms);
      } else {
        ++counters_.write_failures;
        comm_error_ = -1;
        const QString status = port_.StatusText();
        const QString text = status.isEmpty() ? QStringLiteral("Disconnected") : status;
        if (Tracing()) {
          Tap().Sent(RequestTraceName(request), request, common::TraceOutcome::kPortLost,
                     "not sent, " + text.toStdString());
        }
        done = Fail(text, show_errors);
      }
      if (done) break;
    }
    request_ = {};
  }
  Bytes result = rx_frame_;
  if (result.empty()) {
    ++counters_.failures;
  } else if (!request.empty()) {
    TakeExtendedResponse(request[0]);
  }
  return result;
}

bool UnitLink::ExtendedIdentify() {
  if (Busy()) {
    ++counters_.rejected_busy;
    return false;  // not a verdict on the unit: leave the extended flag alone
  }
  const Bytes response = Exchange(IdentifyRequest(), kIdentifyResponse, kDefaultTimeoutMs, false);
  // Exchange() already took the versions and set the extended flag for an extended answer.
  if (!response.empty() && HasExtendedMarker(response)) return true;
  if (!identity_.extended_forced) identity_.extended_unit = false;
  return false;
}

bool UnitLink::SendRequest(ByteView frame) { return port_.Write(common::ToQByteArray(frame)); }

bool UnitLink::ReceiveResponse(ResponseShape shape, bool show_errors, int timeout_ms) {
  using common::TraceOutcome;
  rx_frame_.clear();
  std::optional<QString> failure;
  // What the trace says of a failure.
  TraceOutcome outcome = TraceOutcome::kOk;
  int outcome_value = 0;
  std::string outcome_detail;
  qint64 expected = shape.count;  // length of the whole answer, once it is known
  bool quit = false;
  {
    // Transmit wait: the port says the bytes left, or we assume so after 500 ms. A
    // port lost meanwhile never says so: its error ends the wait too.
    if (wait_.Until([this] { return tx_done_ || comm_error_ != 0; }, kTransmitWaitMs) ==
        common::WaitResult::kQuit) {
      quit = true;
    }
    tx_done_ = false;
    // The time-out runs from the end of transmission; a counted body gets more below.
    QDeadlineTimer deadline(std::max(0, timeout_ms), Qt::PreciseTimer);
    qint64 allowed_ms = timeout_ms;  // for the trace's account of a time-out
    std::optional<common::BusyGuard> hourglass;
    if (show_errors) hourglass.emplace(prompts_);

    // Waits until `needed` bytes are buffered. Level-triggered on the byte count,
    // so bytes that came before we started waiting count too.
    const auto receive = [&](qint64 needed) -> bool {
      const common::WaitResult result =
          wait_.Until([&] { return comm_error_ != 0 || port_.BytesWaiting() >= needed; },
                      static_cast<int>(std::min<qint64>(deadline.remainingTime(), INT_MAX)));
      if (result == common::WaitResult::kQuit) {
        quit = true;
        return false;
      }
      if (comm_error_ != 0) {
        failure = comm_error_text_;
        outcome = comm_error_ > 0 ? TraceOutcome::kLineError : TraceOutcome::kPortLost;
        outcome_value = comm_error_ > 0 ? comm_error_ : 0;
        outcome_detail = comm_error_text_.toStdString();
        return false;
      }
      if (result == common::WaitResult::kTimeout) {
        ++counters_.timeouts;
        comm_error_ = -1;
        failure = QString::fromLatin1(kTimeoutText);
        // What did come belongs to this answer; the next exchange would only drop it.
        const QByteArray part = port_.Read(port_.BytesWaiting());
        rx_frame_.insert(rx_frame_.end(), part.begin(), part.end());
        if (rx_frame_.empty()) {
          outcome = TraceOutcome::kTimeout;
          outcome_value = timeout_ms;
        } else {
          outcome = TraceOutcome::kWrongLength;
          outcome_detail = std::to_string(rx_frame_.size()) + " of " + std::to_string(expected) +
                           " bytes in " + std::to_string(allowed_ms) + " ms";
        }
        return false;
      }
      const QByteArray bytes = port_.Read(needed);
      rx_frame_.insert(rx_frame_.end(), bytes.begin(), bytes.end());
      return true;
    };

    if (!quit) {
      const qint64 first = std::max(shape.count, 1);
      bool ok = receive(first);
      if (ok && shape.HasBody() && shape.CountRefused(rx_frame_)) {
        // No use waiting out the time-out for a body the answer may not have.
        ++counters_.count_errors;
        failure = QString::fromLatin1(kCountErrorText);
        outcome = TraceOutcome::kWrongLength;
        outcome_detail = "the header counts " + std::to_string(shape.ItemCount(rx_frame_)) +
                         " items, at most " + std::to_string(shape.max_items) + " are taken";
        ok = false;
      }
      if (ok && shape.HasBody()) {
        const qint64 body = shape.BodyLength(rx_frame_);
        expected = shape.count + body;
        // A full event log is over two minutes on the wire at 19 200 baud: the body
        // gets its wire time, and the time-out stays as the margin beyond it.
        const auto wire_ms =
            static_cast<qint64>(std::ceil(body * port_.Settings().MicrosPerByte() / 1000.0));
        allowed_ms = wire_ms + std::max(0, timeout_ms);
        deadline.setRemainingTime(allowed_ms, Qt::PreciseTimer);
        body_expected_ = expected;
        emit ResponseProgress(static_cast<qint64>(rx_frame_.size()) + port_.BytesWaiting(),
                              expected);
        ok = receive(body);
        body_expected_ = 0;
      }
      if (ok && !IsValidFrame(rx_frame_)) {
        ++counters_.checksum_errors;
        failure = QString::fromLatin1(kChecksumText);
        outcome = TraceOutcome::kChecksumError;
      }
    }
  }  // hourglass off before any box
  if (quit) {
    // The application is closing: give up without asking anybody.
    TraceAnswer(TraceOutcome::kAbandoned);
    rx_frame_.clear();
    comm_error_ = -1;
    return true;
  }
  if (!failure) {
    TraceAnswer(TraceOutcome::kOk);
    retry_count_ = 0;
    return true;
  }
  // Recorded before any box, so the trace shows what the box is about.
  TraceAnswer(outcome, outcome_value, std::move(outcome_detail));
  return Fail(*failure, show_errors);
}

bool UnitLink::Fail(const QString& text, bool show_errors) {
  rx_frame_.clear();
  comm_error_text_ = text;
  if (common::AppQuitting()) return true;
  if (retry_count_ > 0) {
    --retry_count_;
    return false;
  }
  if (!show_errors) return true;
  common::Message message;
  message.title = QStringLiteral("Communications Error");
  message.text = text;
  message.buttons = common::Buttons::kRetryCancel;
  message.icon = common::Icon::kCritical;
  message.detail = what_failed_;
  if (prompts_.Show(message) == common::Answer::kRetry) {
    retry_count_ = 0;
    return false;
  }
  return true;
}

void UnitLink::OnReceiveError(int code) {
  if (!Busy()) return;  // the next exchange starts clean anyway
  const char* text = ReceiveErrorText(code);
  if (text == nullptr) return;
  ++counters_.receive_errors;
  comm_error_ = code;
  comm_error_text_ = QString::fromLatin1(text);
  wait_.Wake();
}

void UnitLink::OnLost() {
  if (!Busy()) return;
  // No answer can come through a port that is gone; fail now, not at the time-out.
  comm_error_ = -1;
  const QString status = port_.StatusText();
  comm_error_text_ = status.isEmpty() ? QStringLiteral("Disconnected") : status;
  wait_.Wake();
}

void UnitLink::TraceAnswer(common::TraceOutcome outcome, int value, std::string detail) {
  if (!Tracing()) return;
  Tap().Received(RequestTraceName(request_), rx_frame_, outcome, value, std::move(detail));
}

void UnitLink::TakeExtendedResponse(std::uint8_t command) {
  if (!IsExtendedCommand(command) || !HasExtendedMarker(rx_frame_)) return;
  if (!TakeFirmwareVersion(identity_, rx_frame_)) return;
  if (command == kCmdIdentify) identity_.extended_unit = true;
  emit FirmwareVersionChanged();
}

}  // namespace tessera
