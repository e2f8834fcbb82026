// The exchange with the unit over a serial port: send a request, wait event-driven
// for the transmission and the response, check it, and ask the user (Retry/Cancel)
// when the caller wants that. One exchange at a time; everything on the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>

#include "common/core/trace_record.h"
#include "common/qtcore/port_link.h"
#include "tessera/core/frame.h"
#include "tessera/core/identity.h"
#include "tessera/core/requests.h"

namespace common {
class LinkTap;
class Prompts;
class SerialPort;
}  // namespace common

namespace tessera {

// What the link has seen since it was made (for the status display and tests).
// Why an exchange failed when the response's own item count was refused (the header
// announced more items than the response may carry).
inline constexpr char kCountErrorText[] = "Rx Count Error";

struct LinkCounters {
  std::uint64_t exchanges = 0;        // Exchange() calls that ran (not rejected)
  std::uint64_t failures = 0;         // exchanges that ended without a response
  std::uint64_t timeouts = 0;         // "Rx Timeout Error"
  std::uint64_t checksum_errors = 0;  // "Checksum Error"
  std::uint64_t count_errors = 0;     // "Rx Count Error"
  std::uint64_t receive_errors = 0;   // framing, overrun, buffer overrun, parity
  std::uint64_t write_failures = 0;   // the port refused the request (closed, lost)
  std::uint64_t resends = 0;          // requests sent again (silent retry or Retry pressed)
  std::uint64_t rejected_busy = 0;    // Exchange() called while one was in progress
  std::uint64_t idle_discards = 0;    // bytes came between exchanges and were dropped
};

class UnitLink : public common::PortLink {
  Q_OBJECT
 public:
  // Longest wait for the port's transmit-done notification.
  static constexpr int kTransmitWaitMs = 500;

  // The identity is updated from every successful extended response.
  UnitLink(common::SerialPort& port, common::Prompts& prompts, UnitIdentity& identity,
           QObject* parent = nullptr);
  ~UnitLink() override;

  // The whole exchange: clear the receive buffer, send `request`, receive a response
  // of `shape` within timeout_ms of the end of transmission, check its checksum;
  // repeat while a silent retry is left or the user pressed Retry. Returns the response:
  // the valid response, or empty on failure (also when another exchange is in
  // progress, or the application quits during the wait). With show_errors the
  // hourglass shows while waiting and a failure asks Retry/Cancel
  // ("Communications Error", ErrorText()), with `what_failed` (the request in the
  // user's words and what to check) as the box's detail. A counted response's body
  // gets the time its length needs on the wire at the port's line rate, plus timeout_ms.
  Bytes Exchange(ByteView request, ResponseShape shape, int timeout_ms = kDefaultTimeoutMs,
                 bool show_errors = false, int silent_retries = 0, const QString& what_failed = {});

  // The extended identify exchange (71 0D 00 00 81, 15 bytes, 500 ms). True when an
  // extended response came: the extended flag is set and the versions are taken (and
  // FirmwareVersionChanged emitted). False otherwise; then, unless "/kal" is set,
  // the extended flag is cleared and the caller hides the Configure and Buffers menus.
  bool ExtendedIdentify();

  // The last response (empty after a failure).
  const Bytes& LastResponse() const { return rx_frame_; }
  // 0: the last exchange had no receive error or time-out.
  int ErrorCode() const { return comm_error_; }
  // Why the last exchange failed: "Rx Timeout Error", "Checksum Error",
  // "Rx Framing Error", "Rx Data Overrun Error", "Rx Buffer Overrun Error",
  // "Rx Parity Error", "Rx Count Error", or the port's status text when it could not
  // send.
  const QString& ErrorText() const { return comm_error_text_; }
  const LinkCounters& Counters() const { return counters_; }

 signals:
  // A successful extended response changed (or re-confirmed) the protocol version,
  // firmware type and firmware revision: the window runs its ShowFirmwareVersion part
  // (FirmwareVersionDisplay) now.
  void FirmwareVersionChanged();
  // A counted response is coming in: `received` of its `expected` bytes are here.
  // Emitted once its header is in, then as the body arrives.
  void ResponseProgress(qint64 received, qint64 expected);

 private:
  // The two named parts of the exchange.
  bool SendRequest(ByteView frame);
  bool ReceiveResponse(ResponseShape shape, bool show_errors, int timeout_ms);
  // Failure rule: true to give up, false to send again.
  bool Fail(const QString& text, bool show_errors);
  void OnReceiveError(int code);
  void OnLost();
  void TakeExtendedResponse(std::uint8_t command);
  // The trace's record of the answer just received, or of its absence.
  void TraceAnswer(common::TraceOutcome outcome, int value = 0, std::string detail = {});

  UnitIdentity& identity_;

  Bytes rx_frame_;
  bool tx_done_ = false;  // TxDone
  int comm_error_ = 0;    // CommError
  QString comm_error_text_;
  int retry_count_ = 0;  // RetryCount
  QString what_failed_;
  LinkCounters counters_;
  ByteView request_;          // of the exchange in progress, for the trace's names
  qint64 body_expected_ = 0;  // whole length of a counted answer while its body comes
};

}  // namespace tessera
