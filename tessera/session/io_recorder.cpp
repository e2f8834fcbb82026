#include "tessera/session/io_recorder.h"

#include <QDateTime>

#include "tessera/session/session.h"

namespace tessera {

IoRecorder::IoRecorder(Session& session, QObject* parent)
    : QObject(parent), clock_([] { return QDateTime::currentMSecsSinceEpoch(); }) {
  // A valid answer reports its lamps and then the link; a missing one only the link.
  connect(&session, &Session::InputsChanged, this, &IoRecorder::RecordAnswer);
  connect(&session, &Session::LinkStateChanged, this, [this](bool responding) {
    if (!responding) RecordSilence();
  });
}

void IoRecorder::RecordAnswer(const InputLamps& lamps) {
  history_.Add(AnsweredPoll(clock_(), lamps));
  emit Recorded();
}

void IoRecorder::RecordSilence() {
  history_.Add(SilentPoll(clock_()));
  emit Recorded();
}

}  // namespace tessera
