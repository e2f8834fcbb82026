#include "common/core/line_faults.h"

#include <array>
#include <utility>

namespace common {
namespace {

constexpr std::array<std::pair<LineFault, std::string_view>, 9> kNames = {{
    {LineFault::kGarbage, "garbage"},
    {LineFault::kTruncate, "truncate"},
    {LineFault::kOversize, "oversize"},
    {LineFault::kChecksum, "checksum"},
    {LineFault::kLate, "late"},
    {LineFault::kFlood, "flood"},
    {LineFault::kUnplug, "unplug"},
    {LineFault::kNak, "nak"},
    {LineFault::kForeign, "foreign"},
}};

Bytes Noise(std::size_t count, std::uint8_t noise_max, std::mt19937& random) {
  std::uniform_int_distribution<int> byte(0, noise_max);
  Bytes out(count);
  for (std::uint8_t& b : out) b = static_cast<std::uint8_t>(byte(random));
  return out;
}

long long Period(const FaultPlan& plan) {
  return plan.every_ms > 0 ? plan.every_ms : 2LL * plan.for_ms;
}

}  // namespace

std::string_view LineFaultName(LineFault fault) {
  for (const auto& [kind, name] : kNames) {
    if (kind == fault) return name;
  }
  return "?";
}

std::optional<LineFault> ParseLineFault(std::string_view name) {
  for (const auto& [kind, text] : kNames) {
    if (text == name) return kind;
  }
  return std::nullopt;
}

std::string LineFaultNames() {
  std::string out;
  for (const auto& entry : kNames) {
    if (!out.empty()) out += ',';
    out += entry.second;
  }
  return out;
}

std::optional<ActiveFault> FaultAt(const FaultPlan& plan, long long elapsed_ms) {
  if (plan.Empty() || plan.for_ms <= 0 || elapsed_ms < plan.after_ms) return std::nullopt;
  const long long since = elapsed_ms - plan.after_ms;
  const long long index = since / Period(plan);
  if (plan.every_ms <= 0 && index >= static_cast<long long>(plan.kinds.size())) return std::nullopt;
  if (since - index * Period(plan) >= plan.for_ms) return std::nullopt;
  return ActiveFault{static_cast<int>(index),
                     plan.kinds[static_cast<std::size_t>(index) % plan.kinds.size()]};
}

long long NextFaultChange(const FaultPlan& plan, long long elapsed_ms) {
  if (plan.Empty() || plan.for_ms <= 0) return -1;
  if (elapsed_ms < plan.after_ms) return plan.after_ms - elapsed_ms;
  const long long since = elapsed_ms - plan.after_ms;
  const long long index = since / Period(plan);
  const long long into = since - index * Period(plan);
  if (plan.every_ms <= 0 && index >= static_cast<long long>(plan.kinds.size())) return -1;
  const bool last = plan.every_ms <= 0 && index + 1 >= static_cast<long long>(plan.kinds.size());
  if (into < plan.for_ms) return plan.for_ms - into;
  if (last) return -1;
  return Period(plan) - into;
}

DeviceReply ShapeReply(LineFault fault, DeviceReply reply, const ReplyFaults& faults,
                       std::mt19937& random) {
  const std::size_t size = reply.bytes.size();
  switch (fault) {
    case LineFault::kGarbage:
      if (size > 0) {
        reply.bytes = Noise(std::uniform_int_distribution<std::size_t>(1, 2 * size + 4)(random),
                            faults.noise_max, random);
      }
      break;
    case LineFault::kTruncate:
      if (size > 0) {
        reply.bytes.resize(std::uniform_int_distribution<std::size_t>(0, size - 1)(random));
      }
      break;
    case LineFault::kOversize:
      if (size > 0) {
        const Bytes tail = Noise(std::uniform_int_distribution<std::size_t>(64, 1024)(random),
                                 faults.noise_max, random);
        const auto at = faults.oversize_inside ? reply.bytes.end() - 1 : reply.bytes.end();
        reply.bytes.insert(at, tail.begin(), tail.end());
      }
      break;
    case LineFault::kLate:
      if (size > 0) reply.delay_ms += faults.late_ms;
      break;
    case LineFault::kUnplug:
      reply.bytes.clear();
      break;
    default:
      break;
  }
  return reply;
}

}  // namespace common
