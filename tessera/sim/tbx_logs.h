// The simulated TBX's logs: the diagnostic event log (read with 0x7F, cleared with
// 0x7E) and the transition buffer (polled block by block with 0x76). Installed into a
// TbxModel; contents and counters stay open to tests.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "tessera/sim/tbx_model.h"

namespace tessera::sim {

// One 7-byte record. The MC counter goes out most significant byte first, so 0x1234
// reads "00001234" in the report.
struct EventRecord {
  std::uint8_t type = 0;
  std::uint8_t p1 = 0;
  std::uint8_t p2 = 0;
  std::uint32_t mc = 0;
};

// A log with a record of every type the unit writes, for demonstrations.
std::vector<EventRecord> DemoEventRecords();
// A log of `count` records that goes round every type and sub-code (invalid types
// included), stamped with a rising MC. The same count always gives the same log.
std::vector<EventRecord> GeneratedEventRecords(std::size_t count);

struct TbxEventLog {
  // Sent in this order; only the first 65535 fit the 16-bit count.
  std::vector<EventRecord> records = DemoEventRecords();
  std::uint32_t mc = 0x00012400;  // MC value sent with every read
  int reads = 0;
  int clears = 0;
};

// Adds 0x7F and 0x7E. A clear leaves one "Event Log Cleared" record (type 3).
std::shared_ptr<TbxEventLog> InstallEventLog(TbxModel& model);

// One 3-byte transition item: input 0-127 with its new state, or an MC' rollover
// marker (0xFF). The stamp goes out high byte first.
struct TransitionItem {
  std::uint8_t code = 0;
  std::uint16_t stamp = 0;

  static TransitionItem Input(int input, bool on, std::uint16_t stamp);
  static TransitionItem Rollover() { return {0xFF, 0}; }
};

// `count` transitions of inputs 0-59 switching on and off, with an MC' rollover
// marker wherever the 16-bit stamp wraps. The same count always gives the same items.
std::vector<TransitionItem> GeneratedTransitions(std::size_t count);

struct TbxTransitions {
  std::deque<TransitionItem> pending;   // recorded, not yet handed out
  std::size_t capacity = 1024;          // items the buffer holds; more are lost (status F)
  int items_per_block = 20;             // at most 255
  std::uint32_t mc = 0x00012400;        // MC value sent with every block
  std::vector<std::uint8_t> requested;  // block numbers in the order they were polled

  // Records a transition; when the buffer is full it is lost and the next block
  // reports it.
  void Add(TransitionItem item);

  // Bookkeeping of the block protocol.
  std::optional<std::uint8_t> last_block;  // the block handed out last
  std::vector<TransitionItem> last_items;  // its items, sent again when it is asked for again
  bool lost = false;                       // items lost since the last new block
};

// What a simulated unit's logs hold when it starts (tbx-sim's options).
struct TbxLogSetup {
  std::optional<std::size_t> event_records;  // a generated log of this many records
  std::optional<std::size_t> transitions;    // this many generated transitions waiting
  std::optional<int> block_items;            // items per block

  // Replaces what it names; a buffer too small for the transitions grows to hold them.
  void Apply(TbxEventLog& log, TbxTransitions& buffer) const;
};

// Adds 0x76. Each poll of a new block number hands out up to items_per_block pending
// items. Status bits: C (0x08) more items wait; F (0x04) items were lost; E (0x02)
// the block handed out last was asked for again and is repeated; G (0x01) the number
// is not the one after the last block.
std::shared_ptr<TbxTransitions> InstallTransitions(TbxModel& model);

}  // namespace tessera::sim
