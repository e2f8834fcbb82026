// Everything a procedure asks the user goes through Prompts, so tests and the
// command line can answer instead of a person.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace common {

enum class Buttons { kOk, kOkCancel, kRetryCancel, kAbortRetryIgnore, kYesNo, kYesNoCancel };
enum class Icon { kNone, kInformation, kWarning, kCritical, kQuestion };
enum class Answer { kOk, kCancel, kRetry, kAbort, kIgnore, kYes, kNo };

struct Message {
  QString title;
  QString text;
  Buttons buttons = Buttons::kOk;
  Icon icon = Icon::kNone;
  QString detail;  // the OS's reason, shown below the main text
  // The button Enter presses; nullopt: the box's usual one. Questions that destroy
  // something default to No or Cancel.
  std::optional<Answer> default_answer = std::nullopt;
  // The window the box belongs to (a QWidget); nullptr: the one the user works in.
  QObject* owner = nullptr;
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  virtual Answer Show(const Message& message) = 0;
  // Path chosen, or nullopt when cancelled.
  virtual std::optional<QString> OpenFile(const QString& title, const QString& dir,
                                          const QString& filter) = 0;
  virtual std::optional<QString> SaveFile(const QString& title, const QString& suggested,
                                          const QString& filter) = 0;
  // One line of text from the user, or nullopt when cancelled.
  virtual std::optional<QString> Ask(const QString& title, const QString& label,
                                     const QString& initial) = 0;
  // Hourglass on/off around long operations.
  virtual void SetBusy(bool busy) = 0;
};

// Answers from a script; records what was asked. With an empty script a message
// gets its first button (OK, Retry, Abort, Yes) and dialogs are cancelled.
class ScriptedPrompts : public Prompts {
 public:
  void QueueAnswer(Answer answer) { answers_.push_back(answer); }
  void QueueFile(std::optional<QString> path) { files_.push_back(std::move(path)); }
  void QueueText(std::optional<QString> text) { texts_.push_back(std::move(text)); }
  // Called as a box comes up, before it is answered: lets a test look at what the
  // program had done by then.
  std::function<void()> on_show;

  Answer Show(const Message& message) override;
  std::optional<QString> OpenFile(const QString& title, const QString& dir,
                                  const QString& filter) override;
  std::optional<QString> SaveFile(const QString& title, const QString& suggested,
                                  const QString& filter) override;
  std::optional<QString> Ask(const QString& title, const QString& label,
                             const QString& initial) override;
  void SetBusy(bool busy) override;

  const std::vector<Message>& shown() const { return shown_; }
  void ClearShown() { shown_.clear(); }
  int busy_depth() const { return busy_depth_; }
  int max_busy_depth() const { return max_busy_depth_; }

 private:
  std::deque<Answer> answers_;
  std::deque<std::optional<QString>> files_;
  std::deque<std::optional<QString>> texts_;
  std::vector<Message> shown_;
  int busy_depth_ = 0;
  int max_busy_depth_ = 0;
};

// Sets the hourglass for the lifetime of the guard.
class BusyGuard {
 public:
  explicit BusyGuard(Prompts& prompts) : prompts_(prompts) { prompts_.SetBusy(true); }
  ~BusyGuard() { prompts_.SetBusy(false); }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  Prompts& prompts_;
};

}  // namespace common
