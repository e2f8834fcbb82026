// HDLC framing of the switch-pack link: command codes, building a stuffed frame,
// the one-byte-at-a-time receive state machine and the evaluation of a response.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/core/bytes.h"

namespace corvid {

using common::Bytes;
using common::ByteView;

inline constexpr std::uint8_t kFlag = 0x7E;
inline constexpr std::uint8_t kEscape = 0x7D;
inline constexpr std::uint8_t kEscapeXor = 0x20;
// Unnumbered information with the poll bit set.
inline constexpr std::uint8_t kControl = 0x13;

// Command codes (the response is the code with bit 7 set).
inline constexpr std::uint8_t kCmdStatus = 0x01;       // switch-pack slots
inline constexpr std::uint8_t kCmdStatusFlash = 0x02;  // slots 30 and 31
inline constexpr std::uint8_t kCmdModuleId = 0x3C;
inline constexpr std::uint8_t kCmdDiagnostic = 0x7B;
inline constexpr std::uint8_t kCmdSetCalibration = 0x7C;
inline constexpr std::uint8_t kRspNak = 0x80;
inline constexpr std::uint8_t kRspStatus = 0x81;
inline constexpr std::uint8_t kRspStatusFlash = 0x82;
inline constexpr std::uint8_t kRspModuleId = 0xBC;
inline constexpr std::uint8_t kRspDiagnostic = 0xFB;
inline constexpr std::uint8_t kRspSetCalibration = 0xFC;

// True for the five codes the host accepts as a good answer.
bool IsAcceptedResponseCode(std::uint8_t code);
// The code that answers a command: the command code with bit 7 set.
constexpr std::uint8_t ResponseCodeFor(std::uint8_t command) {
  return static_cast<std::uint8_t>(command | 0x80);
}

// Appends b to out, escaped when it is a flag or the escape byte.
void StuffByte(std::uint8_t b, Bytes& out);
// 7E, stuffed body, 7E.
Bytes FrameBody(common::ByteView body);
// [slot, 0x13, command...] + FCS low, high: the body before stuffing.
Bytes CommandBody(std::uint8_t slot, common::ByteView command);
// The complete wire frame of a command (code + data) to a slot address.
Bytes BuildCommandFrame(std::uint8_t slot, common::ByteView command);

// Longest unstuffed body the receiver keeps. The longest answer (identification:
// address, control, code, type, 60 text bytes, FCS) is 66 bytes; a line that never
// closes its frame must not grow the host's memory.
inline constexpr std::size_t kMaxFrameBytes = 256;

// Collects a response one received byte at a time. Flags never reach the frame; a
// byte after 0x7D is XORed with 0x20; bytes before the opening flag are kept like
// any other (a frame with leading noise then fails its FCS). A frame that reaches
// kMaxFrameBytes without closing is dropped, and the receiver looks for an opening
// flag again.
class HdlcReceiver {
 public:
  // Empties the frame and clears the start, end and escape states.
  void Reset();
  // Takes one byte; true when it was the closing flag.
  bool Take(std::uint8_t c);

  bool RxEnd() const { return rx_end_; }
  const Bytes& Frame() const { return rx_frame_; }
  // Frames dropped for their length since the receiver was made.
  std::uint64_t Overflows() const { return overflows_; }

 private:
  Bytes rx_frame_;
  bool rx_start_ = false;
  bool rx_end_ = false;
  bool rx_escape_ = false;
  std::uint64_t overflows_ = 0;
};

enum class ResponseKind {
  kOk,           // accepted code; payload starts with it
  kCrcError,     // FCS residue wrong
  kTooShort,     // FCS fine but no room for a response code
  kNak,          // code 0x80
  kForeignCode,  // an accepted code, but not the answer to the command sent
  kUnknownCode,  // any other code
};

struct ResponseCheck {
  ResponseKind kind = ResponseKind::kCrcError;
  std::uint8_t code = 0;  // response code when the body had one
  Bytes payload;          // response code first; empty unless kOk
};

// Judges an unstuffed body (address, control, code, data, FCS). With the command
// that was sent, only its own answer (or a NAK) is taken: a late answer to an
// earlier command would otherwise be decoded as this one's.
ResponseCheck EvaluateResponse(common::ByteView body,
                               std::optional<std::uint8_t> command_sent = std::nullopt);

}  // namespace corvid
