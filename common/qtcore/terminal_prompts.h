// Prompts for the terminal tools. Messages go to standard error as "title: text"
// (the OS's reason on the next line); a question is asked on the terminal, answered
// yes by --yes, and refused (its cautious answer) when there is no terminal to ask;
// file dialogs answer with the path the command line gave.
#pragma once

#include <QString>
#include <cstdio>
#include <optional>

#include "common/qtcore/prompts.h"

namespace common {

class TerminalPrompts : public Prompts {
 public:
  struct Options {
    bool assume_yes = false;   // --yes: confirmations (Yes, OK) are answered yes
    bool interactive = false;  // questions may be asked on `in`
    std::FILE* in = stdin;
    std::FILE* err = stderr;
  };
  // Interactive when standard input and standard error are terminals.
  static Options TerminalOptions(bool assume_yes);

  explicit TerminalPrompts(Options options) : options_(options) {}

  void SetOpenPath(const QString& path) { open_path_ = path; }
  void SetSavePath(const QString& path) { save_path_ = path; }
  // A question went unanswered because nobody could be asked.
  bool Refused() const { return refused_; }

  Answer Show(const Message& message) override;
  std::optional<QString> OpenFile(const QString& title, const QString& dir,
                                  const QString& filter) override;
  std::optional<QString> SaveFile(const QString& title, const QString& suggested,
                                  const QString& filter) override;
  std::optional<QString> Ask(const QString& title, const QString& label,
                             const QString& initial) override;
  void SetBusy(bool) override {}

 private:
  Answer AskOnTerminal(Buttons buttons);

  Options options_;
  std::optional<QString> open_path_;
  std::optional<QString> save_path_;
  bool refused_ = false;
};

// The cautious answer to a question: No, Cancel or Abort (OK for a plain message).
Answer CautiousAnswer(Buttons buttons);

}  // namespace common
