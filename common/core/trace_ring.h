// The last records of a link trace, bounded: at most a number of records and a
// number of bytes they hold, the oldest giving way. Records are numbered in the
// order they came, so a viewer can tell which ones went. No Qt here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "common/core/trace_record.h"

namespace common {

class TraceRing {
 public:
  static constexpr std::size_t kMaxRecords = 100000;
  // A flooding line makes many long records; this keeps the ring to a laptop's
  // means whatever comes.
  static constexpr std::size_t kMaxBytes = 64u << 20;

  explicit TraceRing(std::size_t max_records = kMaxRecords, std::size_t max_bytes = kMaxBytes);

  // Appends the record; returns how many of the oldest went to make room. The newest
  // record always stays, even alone over the byte bound.
  std::size_t Push(TraceRecord record);
  void Clear();

  std::size_t Size() const { return records_.size(); }
  bool Empty() const { return records_.empty(); }
  // 0 is the oldest record kept.
  const TraceRecord& At(std::size_t index) const { return records_[index]; }
  // Number of At(0); numbers run on across Clear(), so none is ever used twice.
  std::uint64_t FirstNumber() const { return first_number_; }
  // Number the next record pushed will get.
  std::uint64_t EndNumber() const { return first_number_ + records_.size(); }
  // The record numbered `number`, or null when it is gone or not yet there.
  const TraceRecord* Find(std::uint64_t number) const;
  // Records that gave way since the last Clear().
  std::uint64_t Evicted() const { return evicted_; }
  // What the records hold, as counted against the byte bound.
  std::size_t Bytes() const { return bytes_; }

  // What one record counts against the byte bound.
  static std::size_t Weight(const TraceRecord& record);

 private:
  void PopOldest();

  std::size_t max_records_;
  std::size_t max_bytes_;
  std::deque<TraceRecord> records_;
  std::uint64_t first_number_ = 0;
  std::uint64_t evicted_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace common
