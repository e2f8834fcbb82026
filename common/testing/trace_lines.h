// Test helper without Qt: a trace listener that keeps each record as one short line,
// "-> SendInputFrame sent 34 00 CB", the way a test states what it expects.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/core/link_tap.h"
#include "common/testing/hex.h"

namespace common::testing {

// Direction, command ("-" for none), outcome and bytes of a record.
inline std::string ShortLine(const TraceRecord& r) {
  std::string line = r.direction == TraceDirection::kToDevice ? "-> " : "<- ";
  line += (r.name.empty() ? "-" : r.name) + " " + OutcomeText(r);
  if (!r.bytes.empty()) line += " " + H(r.bytes);
  return line;
}

struct TraceLines : TraceListener {
  void OnTrace(const TraceRecord& record) override { lines.push_back(ShortLine(record)); }
  std::vector<std::string> Take() { return std::exchange(lines, {}); }
  std::vector<std::string> lines;
};

}  // namespace common::testing
