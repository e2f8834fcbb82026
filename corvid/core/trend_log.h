// The last hour of what the poll read, kept for the Trend window: status readings
// (mains, the six outputs' voltages and currents, their bits), temperatures, and
// where the device did not answer. Fixed-size rings of compact entries, so an hour
// costs a few MiB and an append never allocates once the rings are full. No Qt.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "corvid/core/response_decoders.h"

namespace corvid::monitor {

// At most `capacity` entries; the oldest gives way. Index 0 is the oldest kept.
template <typename T>
class TrendRing {
 public:
  explicit TrendRing(std::size_t capacity) : capacity_(capacity) {}

  void Push(const T& entry) {
    if (entries_.size() < capacity_) {
      entries_.push_back(entry);
      return;
    }
    entries_[head_] = entry;
    head_ = (head_ + 1) % capacity_;
  }
  void Clear() {
    entries_.clear();
    head_ = 0;
  }
  std::size_t Size() const { return entries_.size(); }
  std::size_t Capacity() const { return capacity_; }
  bool Empty() const { return entries_.empty(); }
  const T& operator[](std::size_t i) const { return entries_[(head_ + i) % entries_.size()]; }
  const T& Back() const { return (*this)[entries_.size() - 1]; }
  // Index of the first entry whose time_ms is at least `time_ms` (Size() when none);
  // entries are pushed in time order.
  std::size_t LowerBound(std::int64_t time_ms) const {
    std::size_t low = 0, high = Size();
    while (low < high) {
      const std::size_t mid = (low + high) / 2;
      if ((*this)[mid].time_ms < time_ms) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    return low;
  }

 private:
  std::size_t capacity_;
  std::size_t head_ = 0;  // the oldest entry, once the ring is full
  std::vector<T> entries_;
};

// One status reading, or the place where answers stopped. The device's values are
// 14-bit, so 16 bits keep them exact.
struct TrendSample {
  std::int64_t time_ms = 0;                     // since the epoch
  std::uint16_t mains = 0;                      // 0.1 Vrms
  std::array<std::uint16_t, kOutputs> volts{};  // 0.1 Vrms
  std::array<std::uint16_t, kOutputs> amps{};   // mArms
  std::uint8_t on_bits = 0;
  std::uint8_t fault_bits = 0;
  std::uint8_t status_bits = 0;
  bool no_answer = false;  // no values: the device stopped answering here
};

struct TrendTemperature {
  std::int64_t time_ms = 0;
  std::int16_t temperature = 0;  // as the device reports it, shown next to "oF"
};

class TrendLog {
 public:
  // One hour at the poll's 20 status readings a second, and one temperature in ten.
  static constexpr std::size_t kStatusCapacity = 72000;
  static constexpr std::size_t kTemperatureCapacity = 7200;

  explicit TrendLog(std::size_t status_capacity = kStatusCapacity,
                    std::size_t temperature_capacity = kTemperatureCapacity)
      : samples_(status_capacity), temperatures_(temperature_capacity) {}

  void AddStatus(std::int64_t time_ms, const StatusReading& reading);
  void AddTemperature(std::int64_t time_ms, int temperature);
  // Answers stopped: one mark per silence, however many ticks it lasts.
  void MarkNoAnswer(std::int64_t time_ms);
  void Clear();

  const TrendRing<TrendSample>& Samples() const { return samples_; }
  const TrendRing<TrendTemperature>& Temperatures() const { return temperatures_; }
  // The last temperature at or before `time_ms`, if one is kept.
  const TrendTemperature* TemperatureAt(std::int64_t time_ms) const;

 private:
  TrendRing<TrendSample> samples_;
  TrendRing<TrendTemperature> temperatures_;
};

// Output names as the main window's rows: "Ch1 Red" ... "Ch2 Green".
const std::array<const char*, kOutputs>& TrendOutputNames();
// Every kept entry, oldest first, one row each: status readings, temperatures and
// the places answers stopped, merged by time. Units are in the header.
std::string TrendCsv(const TrendLog& log);

}  // namespace corvid::monitor
