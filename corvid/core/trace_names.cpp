#include "corvid/core/trace_names.h"

#include <array>
#include <optional>
#include <string>

#include "common/core/hex_text.h"
#include "corvid/core/crc.h"

namespace corvid {
namespace {

// Address, control, code and the two FCS bytes.
constexpr std::size_t kShortestBody = 5;

std::string_view HexName(std::uint8_t code) {
  static const auto names = [] {
    std::array<std::string, 256> table;
    for (int i = 0; i < 256; ++i)
      table[i] = "Command " + common::HexNumber(static_cast<std::uint32_t>(i), 2);
    return table;
  }();
  return names[code];
}

// The unstuffed body of the first whole frame in the block, flags dropped.
std::optional<Bytes> FirstFrame(ByteView bytes) {
  HdlcReceiver receiver;
  receiver.Reset();
  for (std::uint8_t b : bytes) {
    if (receiver.Take(b)) return receiver.Frame();
  }
  return std::nullopt;
}

}  // namespace

common::TraceName CommandTraceName(std::uint8_t code) {
  switch (code) {
    case kCmdStatus:
    case kCmdStatusFlash:
      return {"GetStatus", true};
    case kCmdModuleId:
      return {"GetModuleID", true};
    case kCmdDiagnostic:
      return {"GetDiagnostic", true};
    case kCmdSetCalibration:
      return {"SetCalibration", false};
    default:
      return {HexName(code), false};
  }
}

common::TraceRecord DeviceSideRecord(common::TraceDirection direction, ByteView bytes) {
  using common::TraceOutcome;
  common::TraceRecord record;
  record.direction = direction;
  record.bytes.assign(bytes.begin(), bytes.end());
  const bool received = direction == common::TraceDirection::kToDevice;
  const std::optional<Bytes> body = FirstFrame(bytes);
  if (!body || body->size() < kShortestBody) {
    record.outcome = TraceOutcome::kWrongLength;
    record.detail = body ? "too short for a code" : "no whole frame";
    return record;
  }
  const std::uint8_t code = (*body)[2];
  if (received) {
    const common::TraceName name = CommandTraceName(code);
    record.name = name.name;
    record.routine = name.routine;
    record.outcome = CheckCrcString(*body) ? TraceOutcome::kOk : TraceOutcome::kFcsError;
    return record;
  }
  if (!CheckCrcString(*body)) {
    record.outcome = TraceOutcome::kFcsError;
  } else if (code == kRspNak) {
    record.outcome = TraceOutcome::kNak;
  } else if (!IsAcceptedResponseCode(code)) {
    record.outcome = TraceOutcome::kUnexpectedCode;
    record.value = code;
  } else {
    record.outcome = TraceOutcome::kSent;
  }
  if (IsAcceptedResponseCode(code)) {
    const common::TraceName name = CommandTraceName(static_cast<std::uint8_t>(code & 0x7F));
    record.name = name.name;
    record.routine = name.routine;
  }
  return record;
}

}  // namespace corvid
