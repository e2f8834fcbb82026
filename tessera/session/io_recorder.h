// Keeps the I/O History from the program's start: one poll per input exchange of the
// session, answered or not. A poll costs a few bit operations and no allocation, so
// it runs whether or not anyone looks.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

#include "tessera/core/io_history.h"

namespace tessera {

class Session;

class IoRecorder : public QObject {
  Q_OBJECT
 public:
  // Milliseconds since the epoch.
  using Clock = std::function<std::int64_t()>;

  explicit IoRecorder(Session& session, QObject* parent = nullptr);

  const IoHistory& History() const { return history_; }
  // Tests and benchmarks set the time the polls are stamped with.
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  void RecordAnswer(const InputLamps& lamps);
  void RecordSilence();

 signals:
  // A poll was added.
  void Recorded();

 private:
  IoHistory history_;
  Clock clock_;
};

}  // namespace tessera
