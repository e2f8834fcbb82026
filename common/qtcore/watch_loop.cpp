#include "common/qtcore/watch_loop.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace common {
namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_old_int, g_old_term;

void OnSignal(int) {
  const char byte = 1;
  // Nothing else is safe in a handler; a full pipe already holds a wake-up.
  [[maybe_unused]] const auto written = ::write(g_pipe[0], &byte, 1);
}

}  // namespace

InterruptNotifier::InterruptNotifier(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
  // A burst of signals must never block the handler.
  ::fcntl(g_pipe[0], F_SETFL, ::fcntl(g_pipe[0], F_GETFL) | O_NONBLOCK);
  notifier_ = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    [[maybe_unused]] const auto read = ::read(g_pipe[1], bytes, sizeof bytes);
    interrupted_ = true;
    emit Interrupt();
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &g_old_int);
  ::sigaction(SIGTERM, &action, &g_old_term);
}

InterruptNotifier::~InterruptNotifier() {
  if (notifier_ == nullptr) return;
  ::sigaction(SIGINT, &g_old_int, nullptr);
  ::sigaction(SIGTERM, &g_old_term, nullptr);
  delete notifier_;
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

void WatchLoop(int every_ms, std::optional<double> seconds, const std::function<bool()>& take) {
  InterruptNotifier interrupt;
  QEventLoop loop;
  // An interrupt that comes inside a reading (its exchange waits in a loop of its own)
  // quits this loop only once the reading is out.
  bool taking = false, over = false;
  const auto step = [&] {
    // A tick that comes while a reading waits for its answer is skipped, not nested.
    if (taking) return;
    taking = true;
    const bool more = take();
    taking = false;
    if (!more || interrupt.Interrupted()) {
      over = true;
      loop.quit();
    }
  };
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(every_ms);
  QObject::connect(&tick, &QTimer::timeout, &loop, step);
  QObject::connect(&interrupt, &InterruptNotifier::Interrupt, &loop, &QEventLoop::quit);
  QTimer end;
  end.setSingleShot(true);
  end.setTimerType(Qt::PreciseTimer);
  QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
  if (seconds) end.start(static_cast<int>(*seconds * 1000));
  tick.start();
  step();
  if (over || (seconds && *seconds <= 0)) return;
  loop.exec();
}

}  // namespace common
