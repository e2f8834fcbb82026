// The simulated TBX's configuration tables: the filter table (read with 0x7D, written
// with 0x73) and the tracking (0x78) and complex-output (0x79) tables loaded in two
// frames. Installed into a TbxModel; tests can read and change the state.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "tessera/sim/tbx_model.h"

namespace tessera::sim {

inline constexpr int kSimFilterEntries = 60;

// How the unit answers the first frame (block byte 0x00) of a table load.
enum class FrameAAnswer {
  kNormal,
  kSilent,    // no answer at all
  kNoMarker,  // an answer without the extended marker
};

// One table loaded in frames: the data of each block byte as last received.
struct LoadedTable {
  std::map<std::uint8_t, std::vector<std::uint8_t>> blocks;
  std::vector<std::uint8_t> frame_order;  // block bytes in the order the frames came

  // The table proper: the data of block 0x08 (empty before one came).
  std::vector<std::uint8_t> Table() const;
};

struct TbxTables {
  // Filter entries as the unit keeps them; a new unit filters with 5 and records nothing.
  std::array<std::uint8_t, kSimFilterEntries> leading{};
  std::array<std::uint8_t, kSimFilterEntries> falling{};
  std::array<bool, kSimFilterEntries> record{};
  LoadedTable tracking;
  LoadedTable complex;
  int filter_reads = 0;
  int filter_writes = 0;
  FrameAAnswer frame_a_answer = FrameAAnswer::kNormal;

  TbxTables();
};

// Adds 0x7D, 0x73, 0x78 and 0x79 to the model. The returned state is shared with the
// handlers, so it lives as long as either the caller or the model needs it.
std::shared_ptr<TbxTables> InstallTables(TbxModel& model);

}  // namespace tessera::sim
