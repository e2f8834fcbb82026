// One entry of the link trace: a frame sent, an answer received (or missed), or bytes
// that came outside an exchange, with what became of it; and its one-line text form,
// the same in the trace window, a saved trace and a --trace file. No Qt here.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/bytes.h"

namespace common {

// Which way the bytes went; the same for a trace taken at either end of the line.
enum class TraceDirection : std::uint8_t {
  kToDevice,    // "->"
  kFromDevice,  // "<-"
};

enum class TraceOutcome : std::uint8_t {
  kSent,            // a request went out
  kOk,              // a good frame
  kTimeout,         // no (whole) answer within `value` ms
  kChecksumError,   // a unit frame whose sum is not 0xFF
  kFcsError,        // an HDLC frame whose FCS is wrong
  kNak,             // the device refused the command
  kWrongLength,     // more or fewer bytes than the frame may have; `detail` says which
  kUnexpectedCode,  // a good frame with the wrong code (`value`) for what was sent
  kLineError,       // the port reported a receive error (`value`: 1004, 1006, 1008, 1009)
  kPortLost,        // the port went away, or would not take the request
  kDropped,         // bytes that came while no exchange wanted them
  kAbandoned,       // the program closed during the wait
};

// True for every outcome but kSent and kOk: the records a technician looks for.
bool IsFailure(TraceOutcome outcome);

struct TraceRecord {
  std::int64_t elapsed_us = 0;  // since the trace started
  std::int64_t wall_us = 0;     // wall clock, microseconds since 1970 (UTC)
  TraceDirection direction = TraceDirection::kToDevice;
  TraceOutcome outcome = TraceOutcome::kSent;
  bool routine = false;  // one of the poll's routine requests, or its answer
  int value = 0;         // the time-out, the unexpected code or the receive error code
  std::string name;      // the command ("SendInputFrame", "GetStatus", "Program Record")
  std::string detail;    // more about the outcome, or empty
  Bytes bytes;           // as they crossed the line

  bool Failed() const { return IsFailure(outcome); }
};

// A record keeps at most this many bytes: the longest answer of either device (a full
// event log, 229 383 bytes) fits, and a flooding line cannot fill the memory.
inline constexpr std::size_t kMaxRecordBytes = 256 * 1024;
// Keeps the first kMaxRecordBytes of the record's bytes, of `total` that came, and says
// so in its detail ("first 262144 of 300000 bytes").
void LimitBytes(TraceRecord& record, std::size_t total);

// What the link tells the trace about a request: its name, and whether the poll
// sends it on its own schedule (the filter "hide routine polls" hides those).
struct TraceName {
  std::string_view name;
  bool routine = false;
};

// "sent", "ok", or "FAIL " and what went wrong: "FAIL time-out after 500 ms".
std::string OutcomeText(const TraceRecord& record);
// Milliseconds with three decimals: "1234.567".
std::string ElapsedText(std::int64_t elapsed_us);
// Local time with its offset from UTC: "2025-01-07 14:03:07.123 +0100".
std::string WallText(std::int64_t wall_us);

// The record without the wall clock, as the trace window lists it:
// "    1234.567 ms  ->  SendInputFrame    sent  34 00 CB".
std::string TraceListText(const TraceRecord& record);
// The whole record, as a saved trace has it (no line end):
// "2025-01-07 14:03:07.123 +0100     1234.567 ms  ->  SendInputFrame    sent  34 00 CB".
std::string TraceLine(const TraceRecord& record);
// Every line of a trace file ends so, as the reports' lines do.
inline constexpr std::string_view kTraceLineEnd = "\r\n";

// Stamps records with the time since it started and the wall clock.
class TraceClock {
 public:
  TraceClock() { Restart(); }
  void Restart();
  void Stamp(TraceRecord& record) const;

 private:
  std::chrono::steady_clock::time_point start_;
  std::chrono::system_clock::time_point wall_start_;
};

}  // namespace common
