#include "common/testing/scripted_prompts.h"

#include <algorithm>

namespace common {

namespace {

// Swapped out rather than copied: a copy out of an optional upsets the compiler's warnings.
template <typename T>
T Pop(std::deque<T>& queue, T value = {}) {
  if (!queue.empty()) {
    std::swap(value, queue.front());
    queue.pop_front();
  }
  return value;
}

}  // namespace

Answer ScriptedPrompts::Show(const Message& message) {
  shown_.push_back(message);
  if (on_show) on_show();
  // Unscripted, a message gets its first button.
  const Answer first =
      message.buttons == Buttons::kRetryCancel        ? Answer::kRetry
      : message.buttons == Buttons::kAbortRetryIgnore ? Answer::kAbort
      : message.buttons == Buttons::kYesNo || message.buttons == Buttons::kYesNoCancel
          ? Answer::kYes
          : Answer::kOk;
  return Pop(answers_, first);
}

std::optional<QString> ScriptedPrompts::OpenFile(const QString&, const QString&, const QString&) {
  return Pop(files_);
}

std::optional<QString> ScriptedPrompts::SaveFile(const QString&, const QString&, const QString&) {
  return Pop(files_);
}

std::optional<QString> ScriptedPrompts::Ask(const QString&, const QString&, const QString&) {
  return std::nullopt;
}

void ScriptedPrompts::SetBusy(bool busy) {
  busy_depth_ += busy ? 1 : -1;
  max_busy_depth_ = std::max(max_busy_depth_, busy_depth_);
}

}  // namespace common
