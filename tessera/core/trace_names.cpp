#include "tessera/core/trace_names.h"

#include <array>
#include <string>

#include "common/core/hex_text.h"

namespace tessera {
namespace {

constexpr std::uint8_t kLoaderOperations = 7;

// Names of the loader operations 1-7, as the Flash Tools menu shows them.
constexpr std::array<std::string_view, kLoaderOperations + 1> kLoaderNames = {
    "",           "Launch", "Erase", "Calculate CS", "Program Record", "Read Record",
    "Reboot TBX", "Read ID"};

std::string_view CommandName(std::uint8_t code) {
  switch (code) {
    case kCmdStatus:
      return "SendRMSFrame";
    case kCmdInputRaw:
    case kCmdInputFiltered:
      return "SendInputFrame";
    case kCmdOutput:
      return "SendOutputFrame";
    case kCmdIdentify:
      return "SendKalRmsFrame";
    case kCmdSendFilters:
      return "SendFilters";
    case kCmdPollTransition:
      return "PollTransition";
    case kCmdSendTracking:
      return "SendTracking";
    case kCmdSendComplex:
      return "SendComplex";
    case kCmdGetFilters:
      return "GetFilters";
    case kCmdClearEvents:
      return "ClearEvents";
    case kCmdReadEvents:
      return "ReadEvents";
    default:
      return {};
  }
}

bool Routine(std::uint8_t code) {
  return code == kCmdStatus || code == kCmdInputRaw || code == kCmdInputFiltered ||
         code == kCmdOutput || code == kCmdIdentify;
}

// "Command 5A", or "Loader 09" for an operation of the loader: names for codes the
// unit's table does not have, in static storage as every name the link hands on.
std::string_view HexName(bool loader, std::uint8_t code) {
  static const auto names = [] {
    std::array<std::array<std::string, 256>, 2> table;
    for (int i = 0; i < 256; ++i) {
      const std::string hex = common::HexNumber(static_cast<std::uint32_t>(i), 2);
      table[0][i] = "Command " + hex;
      table[1][i] = "Loader " + hex;
    }
    return table;
  }();
  return names[loader ? 1 : 0][code];
}

}  // namespace

common::TraceName RequestTraceName(ByteView request) {
  if (request.empty()) return {"-", false};
  const std::uint8_t code = request[0];
  if (code == kCmdLoader) {
    if (request.size() < 2) return {"Loader", false};
    const std::uint8_t operation = request[1];
    if (operation >= 1 && operation <= kLoaderOperations) return {kLoaderNames[operation], false};
    return {HexName(true, operation), false};
  }
  const std::string_view name = CommandName(code);
  if (name.empty()) return {HexName(false, code), false};
  return {name, Routine(code)};
}

common::TraceRecord UnitSideRecord(common::TraceDirection direction, ByteView bytes) {
  common::TraceRecord record;
  const common::TraceName name = RequestTraceName(bytes);
  record.direction = direction;
  record.name = name.name;
  record.routine = name.routine;
  record.bytes.assign(bytes.begin(), bytes.end());
  const bool valid = IsValidFrame(bytes);
  if (direction == common::TraceDirection::kToDevice) {
    record.outcome = valid ? common::TraceOutcome::kOk : common::TraceOutcome::kChecksumError;
  } else {
    record.outcome = valid ? common::TraceOutcome::kSent : common::TraceOutcome::kChecksumError;
  }
  return record;
}

}  // namespace tessera
