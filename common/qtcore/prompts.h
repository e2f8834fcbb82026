// Everything a procedure asks the user goes through Prompts, so tests and the
// command line can answer instead of a person.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

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
