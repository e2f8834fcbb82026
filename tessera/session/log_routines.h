// The exchanges behind the two log windows: reading and clearing the unit's event
// log and polling the transition buffer block by block. The poll tick runs them when
// a window has set the request flag; the terminal tool calls them directly. Each
// says when it starts and ends (the windows disable their buttons meanwhile) and
// hands a read over as decoded report text.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>

namespace tessera {
class Session;
}

namespace tessera::logs {

// Why an answer that arrived whole could not be used: it is not the extended
// response asked for, or its length does not match its own item count.
inline constexpr char kResponseErrorText[] = "Rx Response Error";

enum class ReadOutcome {
  kRead,       // a valid answer, decoded
  kNoAnswer,   // nothing, or nothing valid, came (time-out, checksum, receive error)
  kBadAnswer,  // an answer came but cannot be taken as a log
};

struct LogRead {
  ReadOutcome outcome = ReadOutcome::kNoAnswer;
  std::string text;         // the decoded lines (kRead only), each ending in CR LF
  std::uint8_t status = 0;  // a transition block's status byte
  QString failure;          // why it failed: the link's text or kResponseErrorText
};

class LogRoutines : public QObject {
  Q_OBJECT
 public:
  // Registers the three routines for their request flags with the session.
  explicit LogRoutines(Session& session, QObject* parent = nullptr);

  // 7F: the whole log, within 20 s plus the wire time of its records; silent on
  // failure.
  LogRead ReadEvents();
  // 7E: shows "Event Log Cleared" when the unit confirmed it.
  LogRead ClearEvents();
  // 76 for the block TransBlock names (the window advances it before asking).
  LogRead PollTransition();

 signals:
  void ReadEventsStarted();
  // Records of the log being read that are in, of how many its header counts.
  void ReadEventsProgress(int received, int total);
  void EventsRead(const std::string& decoded);
  void ReadEventsFinished();
  void ClearEventsStarted();
  void ClearEventsFinished();
  void PollTransitionStarted();
  void TransitionBlockRead(const std::string& decoded);
  void PollTransitionFinished();

 private:
  Session& session_;
};

}  // namespace tessera::logs
