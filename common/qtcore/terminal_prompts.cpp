#include "common/qtcore/terminal_prompts.h"

#include <unistd.h>

#include <cctype>
#include <string>

namespace common {
namespace {

struct Choice {
  char key;
  const char* word;
  Answer answer;
};

std::vector<Choice> Choices(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOk:
      return {{'o', "OK", Answer::kOk}};
    case Buttons::kOkCancel:
      return {{'o', "OK", Answer::kOk}, {'c', "Cancel", Answer::kCancel}};
    case Buttons::kRetryCancel:
      return {{'r', "Retry", Answer::kRetry}, {'c', "Cancel", Answer::kCancel}};
    case Buttons::kAbortRetryIgnore:
      return {{'a', "Abort", Answer::kAbort},
              {'r', "Retry", Answer::kRetry},
              {'i', "Ignore", Answer::kIgnore}};
    case Buttons::kYesNo:
      return {{'y', "Yes", Answer::kYes}, {'n', "No", Answer::kNo}};
    case Buttons::kYesNoCancel:
      return {
          {'y', "Yes", Answer::kYes}, {'n', "No", Answer::kNo}, {'c', "Cancel", Answer::kCancel}};
  }
  return {};
}

// A confirmation --yes may answer: the question offers Yes or OK.
std::optional<Answer> Affirmative(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOkCancel:
      return Answer::kOk;
    case Buttons::kYesNo:
    case Buttons::kYesNoCancel:
      return Answer::kYes;
    default:
      return std::nullopt;  // Retry/Cancel, Abort/Retry/Ignore: no blind retrying
  }
}

}  // namespace

Answer CautiousAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOk:
      return Answer::kOk;
    case Buttons::kYesNo:
      return Answer::kNo;
    case Buttons::kAbortRetryIgnore:
      return Answer::kAbort;
    case Buttons::kOkCancel:
    case Buttons::kRetryCancel:
    case Buttons::kYesNoCancel:
      break;
  }
  return Answer::kCancel;
}

TerminalPrompts::Options TerminalPrompts::TerminalOptions(bool assume_yes) {
  Options options;
  options.assume_yes = assume_yes;
  options.interactive = ::isatty(::fileno(stdin)) && ::isatty(::fileno(stderr));
  return options;
}

Answer TerminalPrompts::Show(const Message& message) {
  QString line = message.title.isEmpty() ? message.text : message.title + ": " + message.text;
  line.replace("\r\n", "\n");
  std::fprintf(options_.err, "%s\n", qPrintable(line));
  if (!message.detail.isEmpty()) std::fprintf(options_.err, "  %s\n", qPrintable(message.detail));
  if (message.buttons == Buttons::kOk) return Answer::kOk;
  if (options_.assume_yes) {
    if (const auto yes = Affirmative(message.buttons)) {
      std::fprintf(options_.err, "(answered %s by --yes)\n", *yes == Answer::kOk ? "OK" : "Yes");
      return *yes;
    }
  }
  if (options_.interactive) return AskOnTerminal(message.buttons);
  refused_ = true;
  std::fprintf(options_.err, "(not answered: no terminal to ask%s)\n",
               Affirmative(message.buttons) ? "; --yes answers yes" : "");
  return CautiousAnswer(message.buttons);
}

Answer TerminalPrompts::AskOnTerminal(Buttons buttons) {
  const std::vector<Choice> choices = Choices(buttons);
  std::string menu;
  for (const Choice& c : choices) {
    if (!menu.empty()) menu += '/';
    menu += std::string("[") + c.key + "]" + (c.word + 1);
  }
  for (;;) {
    std::fprintf(options_.err, "%s? ", menu.c_str());
    std::fflush(options_.err);
    char buffer[64];
    if (std::fgets(buffer, sizeof buffer, options_.in) == nullptr) {
      refused_ = true;  // end of input: nobody will answer
      return CautiousAnswer(buttons);
    }
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(buffer[0])));
    for (const Choice& c : choices) {
      if (key == c.key) return c.answer;
    }
  }
}

std::optional<QString> TerminalPrompts::OpenFile(const QString&, const QString&, const QString&) {
  return open_path_;
}

std::optional<QString> TerminalPrompts::SaveFile(const QString&, const QString&, const QString&) {
  return save_path_;
}

std::optional<QString> TerminalPrompts::Ask(const QString&, const QString&, const QString&) {
  return std::nullopt;
}

}  // namespace common
