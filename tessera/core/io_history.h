// The I/O History: the lamps of every input poll of the last ten minutes, kept in a
// ring of fixed size (16 bytes a poll), and the changes in them as CSV text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tessera/core/io_mapping.h"

namespace tessera {

// One lane per lamp the main window mirrors: the input points, then the opto inputs.
inline constexpr int kHistoryLanes = kInputPoints + kOptoInputs;
// The lane's caption as the main window shows it.
std::string LaneCaption(int lane);

struct HistoryPoll {
  static constexpr std::uint64_t kAnswered = std::uint64_t{1} << 63;

  std::int64_t ms = 0;     // wall-clock time, milliseconds since the epoch
  std::uint64_t bits = 0;  // bit `lane`: lit; kAnswered: the unit answered this poll

  bool Answered() const { return (bits & kAnswered) != 0; }
  bool On(int lane) const { return ((bits >> lane) & 1) != 0; }
};

// The lanes of one answered poll.
HistoryPoll AnsweredPoll(std::int64_t ms, const InputLamps& lamps);
HistoryPoll SilentPoll(std::int64_t ms);

class IoHistory {
 public:
  static constexpr std::size_t kPolls = 6000;  // ten minutes at ten polls a second

  explicit IoHistory(std::size_t capacity = kPolls);

  // The oldest poll makes room once the ring is full.
  void Add(const HistoryPoll& poll);
  void Clear();
  std::size_t Size() const { return ring_.size(); }
  std::size_t Capacity() const { return capacity_; }
  // 0 is the oldest poll kept.
  const HistoryPoll& operator[](std::size_t i) const { return ring_[(start_ + i) % ring_.size()]; }
  // The last poll at or before `ms`; nullopt when there is none.
  std::optional<std::size_t> Find(std::int64_t ms) const;
  // Lanes seen both lit and dark among the answered polls.
  std::uint64_t ChangedLanes() const;

 private:
  std::size_t capacity_;
  std::size_t start_ = 0;
  std::vector<HistoryPoll> ring_;
};

// The link's own rows in the changes carry this lane.
inline constexpr int kLinkLane = -1;

struct HistoryChange {
  std::int64_t ms = 0;
  int lane = 0;  // kLinkLane: the unit started or stopped answering
  bool on = false;
};

// The first poll gives the link's state and every lane's; later polls only what
// differs. After polls without an answer every lane that differs from the last
// answered poll is listed again.
std::vector<HistoryChange> HistoryChanges(const IoHistory& history);

// "time,point,state" rows of the changes, CR LF ended, times as local ISO 8601 with
// the zone offset ("2026-03-01T14:03:07.125+01:00").
std::string HistoryCsv(const IoHistory& history);

}  // namespace tessera
