#include "common/qtcore/poll_loop.h"

#include <QTimer>

#include "common/qtcore/event_wait.h"

namespace common {

PollLoop::PollLoop(const QString& timer_name, int interval_ms, Mode mode, QObject* parent)
    : QObject(parent), timer_(new QTimer(this)), mode_(mode) {
  timer_->setObjectName(timer_name);
  timer_->setInterval(interval_ms);
  connect(timer_, &QTimer::timeout, this, &PollLoop::Fire);
}

PollLoop::~PollLoop() = default;

void PollLoop::Start(bool timer) {
  stopped_ = false;
  suspended_ = false;
  timed_ = timer;
  if (timed_ && (!in_tick_ || mode_ == Mode::kFreeRunning)) timer_->start();
}

void PollLoop::Stop() {
  stopped_ = true;
  timer_->stop();
}

bool PollLoop::Stopped() const { return stopped_ || AppQuitting(); }

void PollLoop::Suspend() {
  suspended_ = true;
  timer_->stop();
}

void PollLoop::Resume() {
  suspended_ = false;
  if (timed_ && !in_tick_ && !Stopped()) timer_->start();
}

bool PollLoop::Idle() const { return !in_tick_ && !(busy_ && busy_()); }

bool PollLoop::Fire() {
  const bool ran = TickNow();
  emit Fired();
  return ran;
}

bool PollLoop::TickNow() {
  // Never nested: a timer can fire inside the wait of one of the tick's exchanges.
  if (in_tick_ || suspended_ || Stopped() || !Idle()) return false;
  if (gate_ && !gate_()) return false;
  const bool restart = mode_ == Mode::kRestartAfterTick;
  if (restart) timer_->stop();
  in_tick_ = true;
  if (tick_) tick_();
  in_tick_ = false;
  if (restart && timed_ && !Stopped() && !suspended_) timer_->start();
  FlushDeferred();
  return true;
}

void PollLoop::RunWhenIdle(std::function<void()> fn) {
  if (Idle() && deferred_.empty()) {
    fn();
    return;
  }
  deferred_.push_back(std::move(fn));
  FlushDeferred();
}

void PollLoop::FlushDeferred() {
  if (deferred_.empty() || flush_scheduled_ || !Idle()) return;
  // From the event loop, outside whatever call stack noticed the link is free.
  flush_scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    flush_scheduled_ = false;
    while (!deferred_.empty() && Idle()) {
      auto fn = std::move(deferred_.front());
      deferred_.pop_front();
      fn();
    }
  });
}

}  // namespace common
