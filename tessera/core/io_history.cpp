#include "tessera/core/io_history.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "common/core/reading_format.h"

namespace tessera {

std::string LaneCaption(int lane) {
  return lane < kInputPoints ? PointCaption(lane) : OptoCaption(lane - kInputPoints);
}

HistoryPoll AnsweredPoll(std::int64_t ms, const InputLamps& lamps) {
  std::uint64_t bits = HistoryPoll::kAnswered;
  for (int i = 0; i < kInputPoints; ++i) {
    if (lamps.points[i]) bits |= std::uint64_t{1} << i;
  }
  for (int i = 0; i < kOptoInputs; ++i) {
    if (lamps.opto[i]) bits |= std::uint64_t{1} << (kInputPoints + i);
  }
  return {ms, bits};
}

HistoryPoll SilentPoll(std::int64_t ms) { return {ms, 0}; }

IoHistory::IoHistory(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {
  ring_.reserve(capacity_);
}

void IoHistory::Add(const HistoryPoll& poll) {
  if (ring_.size() < capacity_) {
    ring_.push_back(poll);
    return;
  }
  ring_[start_] = poll;
  start_ = (start_ + 1) % capacity_;
}

void IoHistory::Clear() {
  ring_.clear();
  start_ = 0;
}

std::optional<std::size_t> IoHistory::Find(std::int64_t ms) const {
  // Times only grow, so the ring read oldest first is sorted.
  std::size_t low = 0;
  std::size_t high = Size();
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    if ((*this)[mid].ms <= ms) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  if (low == 0) return std::nullopt;
  return low - 1;
}

std::uint64_t IoHistory::ChangedLanes() const {
  std::uint64_t any_lit = 0;
  std::uint64_t always_lit = ~std::uint64_t{0};
  for (const HistoryPoll& poll : ring_) {
    if (!poll.Answered()) continue;
    any_lit |= poll.bits;
    always_lit &= poll.bits;
  }
  return (any_lit & ~always_lit) & ~HistoryPoll::kAnswered;
}

std::vector<HistoryChange> HistoryChanges(const IoHistory& history) {
  std::vector<HistoryChange> changes;
  std::optional<bool> answering;
  std::optional<std::uint64_t> last_bits;  // of the last answered poll
  for (std::size_t i = 0; i < history.Size(); ++i) {
    const HistoryPoll& poll = history[i];
    if (answering != poll.Answered()) {
      answering = poll.Answered();
      changes.push_back({poll.ms, kLinkLane, poll.Answered()});
    }
    if (!poll.Answered()) continue;
    for (int lane = 0; lane < kHistoryLanes; ++lane) {
      if (!last_bits || (((*last_bits ^ poll.bits) >> lane) & 1) != 0) {
        changes.push_back({poll.ms, lane, poll.On(lane)});
      }
    }
    last_bits = poll.bits;
  }
  return changes;
}

std::string HistoryCsv(const IoHistory& history) {
  std::string text = "time,point,state\r\n";
  std::int64_t stamped_ms = 0;
  std::string stamp;
  for (const HistoryChange& change : HistoryChanges(history)) {
    // Many rows share one poll's time: format it once.
    if (stamp.empty() || change.ms != stamped_ms) {
      stamped_ms = change.ms;
      stamp = common::IsoLocalTime(change.ms);
    }
    text += stamp;
    text += ',';
    if (change.lane == kLinkLane) {
      text += change.on ? "TBX link,responding" : "TBX link,not responding";
    } else {
      text += LaneCaption(change.lane);
      text += change.on ? ",on" : ",off";
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace tessera
