// The one way to wait in the GUI thread: a local event loop that returns when a
// condition holds, a time limit passes, or the application quits. Whoever can make
// the condition true calls Wake().
#pragma once

#include <QObject>
#include <functional>

class QEventLoop;

namespace common {

enum class WaitResult { kReady, kTimeout, kQuit };

class EventWait : public QObject {
  Q_OBJECT
 public:
  explicit EventWait(QObject* parent = nullptr);
  ~EventWait() override;

  // Processes events until ready() is true (checked first and after every Wake()),
  // timeout_ms passes (negative: no limit) or the application is quitting.
  WaitResult Until(const std::function<bool()>& ready, int timeout_ms);
  // Re-checks the condition of the wait in progress, if any.
  void Wake();
  bool Waiting() const { return loop_ != nullptr; }

 private:
  QEventLoop* loop_ = nullptr;
  bool woken_ = false;
};

// Returns after at least ms milliseconds, processing events meanwhile.
// False if the application began to quit during the wait.
bool Delay(int ms);

// True once QCoreApplication::quit()/exit() has been asked for.
bool AppQuitting();

}  // namespace common
