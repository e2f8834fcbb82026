#include "corvid/core/hdlc_frame.h"

#include "corvid/core/crc.h"

namespace corvid {

bool IsAcceptedResponseCode(std::uint8_t code) {
  return code == kRspStatus || code == kRspStatusFlash || code == kRspModuleId ||
         code == kRspDiagnostic || code == kRspSetCalibration;
}

void StuffByte(std::uint8_t b, Bytes& out) {
  if (b == kFlag || b == kEscape) {
    out.push_back(kEscape);
    out.push_back(static_cast<std::uint8_t>(b ^ kEscapeXor));
  } else {
    out.push_back(b);
  }
}

Bytes FrameBody(common::ByteView body) {
  Bytes out;
  out.reserve(body.size() + body.size() / 8 + 4);
  out.push_back(kFlag);
  for (std::uint8_t b : body) StuffByte(b, out);
  out.push_back(kFlag);
  return out;
}

Bytes CommandBody(std::uint8_t slot, common::ByteView command) {
  Bytes body;
  body.reserve(command.size() + 4);
  body.push_back(slot);
  body.push_back(kControl);
  body.insert(body.end(), command.begin(), command.end());
  const Crc crc = CalculateFcs(body);
  body.push_back(crc.low);
  body.push_back(crc.high);
  return body;
}

Bytes BuildCommandFrame(std::uint8_t slot, common::ByteView command) {
  return FrameBody(CommandBody(slot, command));
}

void HdlcReceiver::Reset() {
  rx_frame_.clear();
  if (rx_frame_.capacity() > kMaxFrameBytes) rx_frame_.shrink_to_fit();
  rx_start_ = false;
  rx_end_ = false;
  rx_escape_ = false;
}

bool HdlcReceiver::Take(std::uint8_t c) {
  if (c == kFlag) {
    if (rx_start_) {
      rx_end_ = true;
      return true;
    }
    rx_start_ = true;
    return false;
  }
  if (c == kEscape) {
    rx_escape_ = true;
    return false;
  }
  if (rx_escape_) {
    rx_escape_ = false;
    c ^= kEscapeXor;
  }
  if (rx_frame_.size() >= kMaxFrameBytes) {
    // No answer is this long: noise or a flood. Drop it and hunt for a new frame.
    ++overflows_;
    rx_frame_.clear();
    rx_start_ = false;
  }
  rx_frame_.push_back(c);
  return false;
}

ResponseCheck EvaluateResponse(common::ByteView body, std::optional<std::uint8_t> command_sent) {
  ResponseCheck result;
  if (!CheckCrcString(body)) {
    result.kind = ResponseKind::kCrcError;
    return result;
  }
  // Address, control, code and the two FCS bytes at least.
  if (body.size() < 5) {
    result.kind = ResponseKind::kTooShort;
    return result;
  }
  result.code = body[2];
  if (result.code == kRspNak) {
    result.kind = ResponseKind::kNak;
  } else if (!IsAcceptedResponseCode(result.code)) {
    result.kind = ResponseKind::kUnknownCode;
  } else if (command_sent && result.code != ResponseCodeFor(*command_sent)) {
    result.kind = ResponseKind::kForeignCode;
  } else {
    result.kind = ResponseKind::kOk;
    result.payload.assign(body.begin() + 2, body.end() - 2);
  }
  return result;
}

}  // namespace corvid
