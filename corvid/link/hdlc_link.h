// One command out, at most one response back: the exchange with the switch pack
// over a SerialPort, with the 50 ms response window and the link error counters.
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>
#include <string>

#include "common/core/trace_record.h"
#include "common/qtcore/port_link.h"
#include "corvid/core/hdlc_frame.h"

namespace common {
class LinkTap;
class Prompts;
class SerialPort;
}  // namespace common

namespace corvid {

// Link error counters shown in the status bar; reset by Clear Errors. 64 bits wide
// on every platform, so a run of weeks never wraps them.
struct LinkCounters {
  std::uint64_t crc_errors = 0;  // responses rejected for a bad FCS (or too short)
  // Response windows that ended without the answer to the command sent: nothing
  // came, or only the answer to another command (a late one).
  std::uint64_t timeouts = 0;
  std::uint64_t naks = 0;  // NAKs received; stops at kMaxNakCount

  static constexpr std::uint64_t kMaxNakCount = 255;
  void Clear() { *this = LinkCounters{}; }
};

inline constexpr int kResponseWindowMs = 50;

class HdlcLink : public common::PortLink {
  Q_OBJECT
 public:
  HdlcLink(common::SerialPort& port, common::Prompts& prompts, QObject* parent = nullptr);
  ~HdlcLink() override;

  // Address byte of every command frame (1-31).
  void SetSlotAddress(int slot);
  int SlotAddress() const { return slot_address_; }

  // The whole exchange: sends TxCommand (code + data) once, waits for the answer and
  // validates it. Returns the payload (response code first) or nullopt on any
  // failure. A call while another exchange is waiting fails at once, sending nothing.
  std::optional<Bytes> Exchange(common::ByteView tx_command);

  // Parts of Exchange, usable on their own: frame and write a command (false when
  // the port would not take it), then wait for and judge its response (false on
  // failure; the payload is then in LastResponse()). Only the answer to the command sent
  // (its code with bit 7 set) or a NAK is taken; another command's answer fails the
  // exchange and counts as a window without answer (timeouts).
  bool SendCommand(common::ByteView tx_command);
  bool AwaitResponse();

  // Payload of the last successful exchange; empty after a failure.
  const Bytes& LastResponse() const { return rx_frame_; }
  LinkCounters& Counters() { return counters_; }
  const LinkCounters& Counters() const { return counters_; }

  // The link trace: every command frame, every answer (or its absence) and the
  // bytes that come outside an exchange go to the tap while someone listens to it.

  // Response window (default kResponseWindowMs); tests may lengthen it.
  void SetResponseWindowMs(int ms) { response_window_ms_ = ms; }

 signals:
  // After every exchange that was attempted: true when a valid response came back.
  // The window drives its "Device Responding" indication from this.
  void ExchangeFinished(bool ok);

 private:
  void OnBytesReceived();
  void TraceDropped(common::ByteView bytes);
  // The trace's record of the answer that came (as it was on the line), or of its absence.
  void TraceAnswer(common::TraceOutcome outcome, int value = 0, std::string detail = {});
  void ForgetAnswer();
  static void Keep(Bytes& kept, std::size_t& total, common::ByteView more);

  HdlcReceiver receiver_;
  LinkCounters counters_;
  Bytes rx_frame_;
  std::uint8_t tx_code_ = 0;  // command code of the frame last sent
  // While tracing: the answer's bytes as they came, and those after its closing flag
  // (dropped once it is judged), each kept up to kMaxRecordBytes of their totals.
  Bytes rx_wire_;
  Bytes rx_after_;
  std::size_t rx_wire_total_ = 0;
  std::size_t rx_after_total_ = 0;
  int slot_address_ = 1;
  int response_window_ms_ = kResponseWindowMs;
  bool armed_ = false;  // bytes go to the receiver only between send and verdict
};

}  // namespace corvid
