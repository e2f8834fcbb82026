#include "tessera/session/log_routines.h"

#include <algorithm>

#include "common/qtcore/prompts.h"
#include "tessera/core/event_log.h"
#include "tessera/core/transition_log.h"
#include "tessera/link/unit_link.h"
#include "tessera/session/session.h"

namespace tessera::logs {
namespace {

// Emits `started` now and `finished` when the routine returns, however it returns.
class Bracket {
 public:
  Bracket(LogRoutines* routines, void (LogRoutines::*started)(), void (LogRoutines::*finished)())
      : routines_(routines), finished_(finished) {
    (routines_->*started)();
  }
  ~Bracket() { (routines_->*finished_)(); }
  Bracket(const Bracket&) = delete;
  Bracket& operator=(const Bracket&) = delete;

 private:
  LogRoutines* routines_;
  void (LogRoutines::*finished_)();
};

// A failed exchange: the unit said nothing usable, or (a refused count) it said
// something that is not a log.
LogRead Failed(const UnitLink& link) {
  LogRead read;
  read.failure = link.ErrorText();
  read.outcome = read.failure == QLatin1String(kCountErrorText) ? ReadOutcome::kBadAnswer
                                                                : ReadOutcome::kNoAnswer;
  return read;
}

LogRead Read(std::string text, std::uint8_t status = 0) {
  LogRead read;
  read.outcome = ReadOutcome::kRead;
  read.text = std::move(text);
  read.status = status;
  return read;
}

// Whole records in the first `bytes` of a read's answer (header, records, MC, sum).
int EventCountOfLength(qint64 bytes) {
  return static_cast<int>((bytes - kEventHeaderLength) / kEventRecordSize);
}

LogRead BadAnswer() {
  LogRead read;
  read.outcome = ReadOutcome::kBadAnswer;
  read.failure = QString::fromLatin1(kResponseErrorText);
  return read;
}

}  // namespace

LogRoutines::LogRoutines(Session& session, QObject* parent) : QObject(parent), session_(session) {
  session_.SetRequestHandler(Request::kPollTransition, [this] { PollTransition(); });
  session_.SetRequestHandler(Request::kReadEvents, [this] { ReadEvents(); });
  session_.SetRequestHandler(Request::kClearEvents, [this] { ClearEvents(); });
}

LogRead LogRoutines::ReadEvents() {
  Bracket bracket(this, &LogRoutines::ReadEventsStarted, &LogRoutines::ReadEventsFinished);
  common::BusyGuard hourglass(session_.prompts());
  UnitLink& link = session_.Link();
  int shown = -1;
  const QMetaObject::Connection progress = connect(
      &link, &UnitLink::ResponseProgress, this, [this, &shown](qint64 received, qint64 expected) {
        const int total = EventCountOfLength(expected);
        const int records = std::clamp(EventCountOfLength(received), 0, total);
        if (records == shown) return;  // a record at a time is enough for the eye
        shown = records;
        emit ReadEventsProgress(records, total);
      });
  const Bytes response = link.Exchange(ReadEventsRequest(), kReadEventsResponse,
                                       kReadEventsTimeoutMs, /*show_errors=*/false);
  disconnect(progress);
  if (response.empty()) return Failed(link);
  std::optional<std::string> text = DecodeEventLog(response);
  if (!text) return BadAnswer();
  LogRead read = Read(std::move(*text));
  emit EventsRead(read.text);
  return read;
}

LogRead LogRoutines::ClearEvents() {
  Bracket bracket(this, &LogRoutines::ClearEventsStarted, &LogRoutines::ClearEventsFinished);
  UnitLink& link = session_.Link();
  Bytes response;
  {
    common::BusyGuard hourglass(session_.prompts());
    response = link.Exchange(ClearEventsRequest(), kClearEventsResponse, kDefaultTimeoutMs,
                             /*show_errors=*/false);
  }
  if (response.empty()) return Failed(link);
  if (!IsClearEventsResponse(response)) return BadAnswer();
  session_.prompts().Show(
      {.title = QString::fromLatin1(kEventsClearedTitle.data(), kEventsClearedTitle.size()),
       .text = QString::fromLatin1(kEventsClearedText.data(), kEventsClearedText.size()),
       .buttons = common::Buttons::kOk,
       .icon = common::Icon::kNone,
       .detail = {}});
  return Read({});
}

LogRead LogRoutines::PollTransition() {
  Bracket bracket(this, &LogRoutines::PollTransitionStarted, &LogRoutines::PollTransitionFinished);
  common::BusyGuard hourglass(session_.prompts());
  UnitLink& link = session_.Link();
  const Bytes response =
      link.Exchange(PollTransitionRequest(session_.State().transition_block),
                    kPollTransitionResponse, kDefaultTimeoutMs, /*show_errors=*/false);
  if (response.empty()) return Failed(link);
  std::optional<std::string> text = DecodeTransitionBlock(response);
  if (!text) return BadAnswer();
  LogRead read = Read(std::move(*text), response[9 + 3 * std::size_t{response[8]}]);
  emit TransitionBlockRead(read.text);
  return read;
}

}  // namespace tessera::logs
