#include "common/core/trace_ring.h"

#include <utility>

namespace common {

TraceRing::TraceRing(std::size_t max_records, std::size_t max_bytes)
    : max_records_(max_records > 0 ? max_records : 1), max_bytes_(max_bytes) {}

std::size_t TraceRing::Weight(const TraceRecord& record) {
  return sizeof(TraceRecord) + record.bytes.size() + record.name.size() + record.detail.size();
}

std::size_t TraceRing::Push(TraceRecord record) {
  const std::size_t weight = Weight(record);
  std::size_t gone = 0;
  while (!records_.empty() && (records_.size() >= max_records_ || bytes_ + weight > max_bytes_)) {
    PopOldest();
    ++gone;
  }
  bytes_ += weight;
  records_.push_back(std::move(record));
  return gone;
}

void TraceRing::PopOldest() {
  bytes_ -= Weight(records_.front());
  records_.pop_front();
  ++first_number_;
  ++evicted_;
}

void TraceRing::Clear() {
  first_number_ = EndNumber();
  records_.clear();
  bytes_ = 0;
  evicted_ = 0;
}

const TraceRecord* TraceRing::Find(std::uint64_t number) const {
  if (number < first_number_ || number >= EndNumber()) return nullptr;
  return &records_[static_cast<std::size_t>(number - first_number_)];
}

}  // namespace common
