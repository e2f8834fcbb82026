#include "corvid/session/trend_recorder.h"

#include <QDateTime>

#include "corvid/session/session.h"

namespace corvid {

TrendRecorder::TrendRecorder(Session& session, QObject* parent)
    : QObject(parent),
      session_(session),
      clock_([] { return QDateTime::currentMSecsSinceEpoch(); }) {
  connect(&session, &Session::StatusChanged, this, [this](const monitor::StatusReading& reading) {
    log_.AddStatus(clock_(), reading);
    read_since_fired_ = true;
  });
  connect(&session, &Session::DiagnosticChanged, this,
          [this](const monitor::DiagnosticReading& reading) {
            log_.AddTemperature(clock_(), reading.temperature);
          });
  connect(&session, &Session::RespondingChanged, this, [this](bool responding) {
    if (!responding) log_.MarkNoAnswer(clock_());
  });
  connect(&session.Loop(), &common::PollLoop::Fired, this, &TrendRecorder::OnFired);
}

void TrendRecorder::OnFired() {
  // A tick that ran (its count moved on) without a status reading is a hole in the
  // record; a tick skipped for an open menu or a busy link is not the device's doing.
  const int count = session_.state().poll_count;
  if (count != last_poll_count_ && last_poll_count_ >= 0 && !read_since_fired_)
    log_.MarkNoAnswer(clock_());
  last_poll_count_ = count;
  read_since_fired_ = false;
}

}  // namespace corvid
