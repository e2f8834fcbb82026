#include "common/qtcore/event_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

namespace common {

namespace {

// Set when quit()/exit() is requested: QCoreApplication posts a Quit event to
// itself in Qt 6, which we watch for with an event filter installed on first use.
class QuitWatcher : public QObject {
 public:
  static QuitWatcher& Instance() {
    static QuitWatcher* watcher = [] {
      auto* w = new QuitWatcher;
      if (auto* app = QCoreApplication::instance()) {
        app->installEventFilter(w);
        QObject::connect(app, &QCoreApplication::aboutToQuit, w, [w] { w->quitting_ = true; });
      }
      return w;
    }();
    return *watcher;
  }
  bool quitting() const { return quitting_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) quitting_ = true;
    return false;
  }

 private:
  bool quitting_ = false;
};

}  // namespace

bool AppQuitting() {
  return QCoreApplication::instance() == nullptr || QuitWatcher::Instance().quitting() ||
         QCoreApplication::closingDown();
}

EventWait::EventWait(QObject* parent) : QObject(parent) { QuitWatcher::Instance(); }

EventWait::~EventWait() {
  if (loop_) loop_->quit();
}

WaitResult EventWait::Until(const std::function<bool()>& ready, int timeout_ms) {
  if (ready()) return WaitResult::kReady;
  if (AppQuitting()) return WaitResult::kQuit;
  QDeadlineTimer deadline = timeout_ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                           : QDeadlineTimer(timeout_ms, Qt::PreciseTimer);
  QEventLoop loop;
  QEventLoop* outer = loop_;
  loop_ = &loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  bool timer_fired = false;
  connect(&timer, &QTimer::timeout, &loop, [&] {
    timer_fired = true;
    loop.quit();
  });
  WaitResult result = WaitResult::kTimeout;
  for (;;) {
    if (ready()) {
      result = WaitResult::kReady;
      break;
    }
    if (AppQuitting()) {
      result = WaitResult::kQuit;
      break;
    }
    if (deadline.hasExpired()) break;
    if (!deadline.isForever()) timer.start(std::max<qint64>(0, deadline.remainingTime()));
    woken_ = false;
    timer_fired = false;
    loop.exec();
    // Neither our wake nor our timer ended the loop: QCoreApplication::exit()
    // did, and every further exec() would return at once.
    if (!woken_ && !timer_fired && !ready()) {
      result = WaitResult::kQuit;
      break;
    }
  }
  timer.stop();
  loop_ = outer;
  return result;
}

void EventWait::Wake() {
  woken_ = true;
  if (loop_) loop_->quit();
}

bool Delay(int ms) {
  EventWait wait;
  return wait.Until([] { return false; }, std::max(0, ms)) != WaitResult::kQuit;
}

}  // namespace common
