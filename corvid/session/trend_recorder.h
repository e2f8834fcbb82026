// Records what the session reads into a TrendLog from the moment it is made, whether
// or not anyone looks: every status reading, every temperature, and a mark where
// the device did not answer (it stopped responding, or a tick brought no reading).
// Each reading costs one append; nothing is drawn or signalled from here.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "corvid/core/trend_log.h"

namespace corvid {

class Session;

class TrendRecorder : public QObject {
  Q_OBJECT
 public:
  explicit TrendRecorder(Session& session, QObject* parent = nullptr);

  monitor::TrendLog& Log() { return log_; }
  const monitor::TrendLog& Log() const { return log_; }
  // Milliseconds since the epoch; tests give their own clock.
  void SetClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

 private:
  void OnFired();

  Session& session_;
  monitor::TrendLog log_;
  std::function<std::int64_t()> clock_;
  int last_poll_count_ = -1;
  bool read_since_fired_ = false;
};

}  // namespace corvid
