#include "common/core/link_tap.h"

#include <algorithm>
#include <utility>

namespace common {

void LinkTap::AddListener(TraceListener* listener) {
  if (listener == nullptr ||
      std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) {
    return;
  }
  if (!started_) {
    clock_.Restart();
    started_ = true;
  }
  listeners_.push_back(listener);
}

void LinkTap::RemoveListener(TraceListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void LinkTap::Record(TraceRecord record) {
  if (listeners_.empty()) return;
  if (record.bytes.size() > kMaxRecordBytes) LimitBytes(record, record.bytes.size());
  clock_.Stamp(record);
  // By index: a listener that goes away during the round (a window closing) does not
  // leave the loop on a freed element.
  for (std::size_t i = 0; i < listeners_.size(); ++i) listeners_[i]->OnTrace(record);
}

void LinkTap::Sent(const TraceName& name, ByteView bytes, TraceOutcome outcome,
                   std::string detail) {
  TraceRecord record;
  record.direction = TraceDirection::kToDevice;
  record.outcome = outcome;
  record.routine = name.routine;
  record.name = name.name;
  record.detail = std::move(detail);
  record.bytes.assign(bytes.begin(), bytes.end());
  Record(std::move(record));
}

void LinkTap::Received(const TraceName& name, ByteView bytes, TraceOutcome outcome, int value,
                       std::string detail, std::size_t total) {
  TraceRecord record;
  record.direction = TraceDirection::kFromDevice;
  record.outcome = outcome;
  record.routine = name.routine;
  record.value = value;
  record.name = name.name;
  record.detail = std::move(detail);
  record.bytes.assign(bytes.begin(), bytes.end());
  LimitBytes(record, std::max(total, bytes.size()));
  Record(std::move(record));
}

void LinkTap::Dropped(ByteView bytes, std::size_t total) {
  TraceRecord record;
  record.direction = TraceDirection::kFromDevice;
  record.outcome = TraceOutcome::kDropped;
  record.bytes.assign(bytes.begin(), bytes.end());
  LimitBytes(record, std::max(total, bytes.size()));
  Record(std::move(record));
}

}  // namespace common
