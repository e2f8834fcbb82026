// What the terminal tools' watch commands share: readings taken on a timer until a
// time limit or Ctrl-C, which ends the run between two readings, never inside one.
#pragma once

#include <QObject>
#include <functional>
#include <optional>

class QSocketNotifier;

namespace common {

// SIGINT and SIGTERM as a Qt signal: the handler only writes a byte to a socket pair
// and the event loop reports it.
class InterruptNotifier : public QObject {
  Q_OBJECT
 public:
  // Takes SIGINT and SIGTERM over for as long as it lives (one at a time).
  explicit InterruptNotifier(QObject* parent = nullptr);
  ~InterruptNotifier() override;
  bool Interrupted() const { return interrupted_; }

 signals:
  void Interrupt();

 private:
  QSocketNotifier* notifier_ = nullptr;
  bool interrupted_ = false;
};

// Calls `take` at once and then every `every_ms` milliseconds until it returns false,
// `seconds` have passed (none: no limit) or the run is interrupted.
void WatchLoop(int every_ms, std::optional<double> seconds, const std::function<bool()>& take);

}  // namespace common
