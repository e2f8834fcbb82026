// Where a link reports what crosses the line, for whoever listens: the trace
// window, a --trace file. With nobody listening a link pays one test of a flag per
// frame and builds no record. Plain C++: the links and the simulators' line loop
// use the same tap.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/core/trace_record.h"

namespace common {

class TraceListener {
 public:
  virtual ~TraceListener() = default;
  // Called on the thread that records, in order; must not record itself.
  virtual void OnTrace(const TraceRecord& record) = 0;
};

class LinkTap {
 public:
  // The links ask this before building a record.
  bool Listening() const { return !listeners_.empty(); }

  // The trace's clock starts with the first listener ever, so its times run from
  // the moment someone began to look; later listeners share it.
  void AddListener(TraceListener* listener);
  void RemoveListener(TraceListener* listener);

  // Stamps the record, keeps at most kMaxRecordBytes of its bytes and hands it to
  // every listener.
  void Record(TraceRecord record);

  // The three kinds of record a link makes. `total`, when more than the bytes given:
  // how many came, of which the link kept only these.
  void Sent(const TraceName& name, ByteView bytes, TraceOutcome outcome = TraceOutcome::kSent,
            std::string detail = {});
  void Received(const TraceName& name, ByteView bytes, TraceOutcome outcome, int value = 0,
                std::string detail = {}, std::size_t total = 0);
  void Dropped(ByteView bytes, std::size_t total = 0);

 private:
  std::vector<TraceListener*> listeners_;
  TraceClock clock_;
  bool started_ = false;
};

}  // namespace common
