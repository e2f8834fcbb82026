// A program's poll timer and the guard around its tick: one tick at a time, and
// none while an exchange is in progress, the gate is shut (a menu is open),
// polling is suspended or stopped, or the application is quitting. Actions that
// must not start inside a tick or an exchange wait here until the link is idle.
#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>

class QTimer;

namespace common {

class PollLoop : public QObject {
  Q_OBJECT
 public:
  enum class Mode {
    // The timer stops for the tick and starts again after it, so the interval
    // runs from the end of one tick to the start of the next.
    kRestartAfterTick,
    // The timer keeps its rhythm; an expiry during a tick or exchange is skipped.
    kFreeRunning,
  };

  PollLoop(const QString& timer_name, int interval_ms, Mode mode, QObject* parent = nullptr);
  ~PollLoop() override;

  void SetTick(std::function<void()> tick) { tick_ = std::move(tick); }
  // While it returns false no tick runs (the window shuts it while a menu is open).
  void SetGate(std::function<bool()> open) { gate_ = std::move(open); }
  // True while the link is in an exchange.
  void SetBusy(std::function<bool()> busy) { busy_ = std::move(busy); }

  QTimer* Timer() const { return timer_; }
  // Starts ticking (again) after Stop(). Without the timer, ticks run only when
  // asked for (TickNow, Fire): a terminal tool paces its own exchanges.
  void Start(bool timer = true);
  // Stops for good: the program is closing or never opened its port.
  void Stop();
  bool Stopped() const;
  // Pauses ticking while something else drives the link (firmware update).
  void Suspend();
  void Resume();
  bool Suspended() const { return suspended_; }

  // No tick is running and the link is free.
  bool Idle() const;

  // Runs one tick now under the same guard. False when the guard refused it.
  bool TickNow();
  // What an expiry of the timer does: TickNow(), then Fired().
  bool Fire();

  // Runs fn at once when idle and nothing waits before it; otherwise from the
  // event loop as soon as the link is idle, in the order asked.
  void RunWhenIdle(std::function<void()> fn);
  // Call when the link may have become idle (after an exchange).
  void FlushDeferred();
  bool HasDeferred() const { return !deferred_.empty(); }

 signals:
  // Every expiry of the timer, also when the tick was skipped.
  void Fired();

 private:
  QTimer* timer_;
  Mode mode_;
  std::function<void()> tick_;
  std::function<bool()> gate_;
  std::function<bool()> busy_;
  std::deque<std::function<void()>> deferred_;
  bool in_tick_ = false;
  bool suspended_ = false;
  bool stopped_ = true;
  bool timed_ = true;  // the timer drives the ticks
  bool flush_scheduled_ = false;
};

}  // namespace common
