// A Prompts that answers from a script, for tests, benchmarks and fuzz targets.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "common/qtcore/prompts.h"

namespace common {

// Answers from a script; records what was asked. With an empty script a message
// gets its first button (OK, Retry, Abort, Yes) and dialogs and questions are cancelled.
class ScriptedPrompts : public Prompts {
 public:
  void QueueAnswer(Answer answer) { answers_.push_back(answer); }
  void QueueFile(std::optional<QString> path) { files_.push_back(std::move(path)); }
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
  std::vector<Message> shown_;
  int busy_depth_ = 0;
  int max_busy_depth_ = 0;
};

}  // namespace common
