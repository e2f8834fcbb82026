// What the two devices' links share: the port and the prompts, the event-driven
// wait for an answer, one exchange at a time, and the link trace.
#pragma once

#include <QObject>

#include "common/qtcore/event_wait.h"

namespace common {

class LinkTap;
class Prompts;
class SerialPort;

class PortLink : public QObject {
  Q_OBJECT
 public:
  PortLink(SerialPort& port, Prompts& prompts, QObject* parent = nullptr);

  // The link trace: every request, every answer (or its absence) and the bytes that
  // come outside an exchange go to the tap while someone listens to it.
  void SetTap(LinkTap* tap) { tap_ = tap; }
  // An exchange is in progress (a poll tick arriving now should be skipped).
  bool Busy() const { return busy_; }

 protected:
  // Marks an exchange as in progress for its lifetime.
  class BusyScope {
   public:
    explicit BusyScope(PortLink& link) : link_(link) { link_.busy_ = true; }
    ~BusyScope() { link_.busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    PortLink& link_;
  };

  // Someone listens to the trace: only then are records built.
  bool Tracing() const;
  LinkTap& Tap() { return *tap_; }
  // Empties the port's receive buffer; what was in it goes to the trace as dropped.
  void DropWaiting();

  SerialPort& port_;
  Prompts& prompts_;
  EventWait wait_;

 private:
  LinkTap* tap_ = nullptr;
  bool busy_ = false;
};

}  // namespace common
