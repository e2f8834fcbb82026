#include "common/core/trace_record.h"

#include <cstdio>
#include <ctime>

#include "common/core/hex_text.h"

namespace common {
namespace {

constexpr std::size_t kElapsedWidth = 12;  // "    1234.567": up to 11 days before it widens
constexpr std::size_t kNameWidth = 16;     // the longest name ("SendKalRmsFrame") and a blank

std::string_view OutcomeWords(TraceOutcome outcome) {
  switch (outcome) {
    case TraceOutcome::kSent:
      return "sent";
    case TraceOutcome::kOk:
      return "ok";
    case TraceOutcome::kTimeout:
      return "time-out";
    case TraceOutcome::kChecksumError:
      return "checksum error";
    case TraceOutcome::kFcsError:
      return "FCS error";
    case TraceOutcome::kNak:
      return "NAK";
    case TraceOutcome::kWrongLength:
      return "wrong length";
    case TraceOutcome::kUnexpectedCode:
      return "unexpected code";
    case TraceOutcome::kLineError:
      return "line error";
    case TraceOutcome::kPortLost:
      return "port lost";
    case TraceOutcome::kDropped:
      return "dropped outside an exchange";
    case TraceOutcome::kAbandoned:
      return "abandoned, the program closed";
  }
  return "?";
}

void PadTo(std::string& text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
}

}  // namespace

bool IsFailure(TraceOutcome outcome) {
  return outcome != TraceOutcome::kSent && outcome != TraceOutcome::kOk;
}

std::string OutcomeText(const TraceRecord& record) {
  std::string text;
  if (record.Failed()) text = "FAIL ";
  text += OutcomeWords(record.outcome);
  char number[32];
  if (record.outcome == TraceOutcome::kTimeout) {
    std::snprintf(number, sizeof number, " after %d ms", record.value);
    text += number;
  } else if (record.outcome == TraceOutcome::kUnexpectedCode) {
    std::snprintf(number, sizeof number, " %02X", record.value & 0xFF);
    text += number;
  }
  if (!record.detail.empty()) {
    text += ": ";
    text += record.detail;
  }
  return text;
}

void LimitBytes(TraceRecord& record, std::size_t total) {
  if (record.bytes.size() > kMaxRecordBytes) record.bytes.resize(kMaxRecordBytes);
  if (total <= record.bytes.size()) return;
  std::string note =
      "first " + std::to_string(record.bytes.size()) + " of " + std::to_string(total) + " bytes";
  record.detail = record.detail.empty() ? note : record.detail + ", " + note;
}

std::string ElapsedText(std::int64_t elapsed_us) {
  if (elapsed_us < 0) elapsed_us = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(elapsed_us / 1000),
                static_cast<long long>(elapsed_us % 1000));
  return text;
}

std::string WallText(std::int64_t wall_us) {
  const std::time_t seconds = static_cast<std::time_t>(wall_us / 1000000);
  const int millis = static_cast<int>((wall_us % 1000000) / 1000);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char date[32];
  char zone[8];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
  std::strftime(zone, sizeof zone, "%z", &local);
  char text[64];
  std::snprintf(text, sizeof text, "%s.%03d %s", date, millis, zone);
  return text;
}

std::string TraceListText(const TraceRecord& record) {
  std::string text = ElapsedText(record.elapsed_us);
  text.insert(0, kElapsedWidth > text.size() ? kElapsedWidth - text.size() : 0, ' ');
  text += " ms  ";
  text += record.direction == TraceDirection::kToDevice ? "->" : "<-";
  text += "  ";
  const std::size_t name_start = text.size();
  text += record.name.empty() ? "-" : record.name;
  PadTo(text, name_start + kNameWidth);
  text += "  ";
  text += OutcomeText(record);
  if (!record.bytes.empty()) {
    text += "  ";
    text += HexBytes(record.bytes);
  }
  return text;
}

std::string TraceLine(const TraceRecord& record) {
  return WallText(record.wall_us) + " " + TraceListText(record);
}

void TraceClock::Restart() {
  start_ = std::chrono::steady_clock::now();
  wall_start_ = std::chrono::system_clock::now();
}

void TraceClock::Stamp(TraceRecord& record) const {
  using std::chrono::duration_cast;
  using std::chrono::microseconds;
  const auto elapsed = duration_cast<microseconds>(std::chrono::steady_clock::now() - start_);
  record.elapsed_us = elapsed.count();
  // One clock for both columns: a wall clock set meanwhile does not reorder the trace.
  record.wall_us =
      duration_cast<microseconds>(wall_start_.time_since_epoch()).count() + elapsed.count();
}

}  // namespace common
