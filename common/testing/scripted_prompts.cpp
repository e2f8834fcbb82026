#include "common/testing/scripted_prompts.h"

#include <algorithm>

namespace common {

namespace {

Answer FirstButton(Buttons buttons) {
  switch (buttons) {
    case Buttons::kRetryCancel:
      return Answer::kRetry;
    case Buttons::kAbortRetryIgnore:
      return Answer::kAbort;
    case Buttons::kYesNo:
    case Buttons::kYesNoCancel:
      return Answer::kYes;
    case Buttons::kOk:
    case Buttons::kOkCancel:
      break;
  }
  return Answer::kOk;
}

Answer PopAnswer(std::deque<Answer>& queue, Answer fallback) {
  if (queue.empty()) return fallback;
  const Answer value = queue.front();
  queue.pop_front();
  return value;
}

std::optional<QString> PopText(std::deque<std::optional<QString>>& queue) {
  std::optional<QString> value;
  if (!queue.empty()) {
    value.swap(queue.front());
    queue.pop_front();
  }
  return value;
}

}  // namespace

Answer ScriptedPrompts::Show(const Message& message) {
  shown_.push_back(message);
  if (on_show) on_show();
  return PopAnswer(answers_, FirstButton(message.buttons));
}

std::optional<QString> ScriptedPrompts::OpenFile(const QString&, const QString&, const QString&) {
  return PopText(files_);
}

std::optional<QString> ScriptedPrompts::SaveFile(const QString&, const QString&, const QString&) {
  return PopText(files_);
}

std::optional<QString> ScriptedPrompts::Ask(const QString&, const QString&, const QString&) {
  return PopText(texts_);
}

void ScriptedPrompts::SetBusy(bool busy) {
  busy_depth_ += busy ? 1 : -1;
  max_busy_depth_ = std::max(max_busy_depth_, busy_depth_);
}

}  // namespace common
