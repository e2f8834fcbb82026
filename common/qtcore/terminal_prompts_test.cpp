#include "common/qtcore/terminal_prompts.h"

#include <gtest/gtest.h>

#include <string>

#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::ReadBack;

Message Question(Buttons buttons, const char* text = "Q", const char* title = "T") {
  return {.title = title, .text = text, .buttons = buttons, .icon = {}, .detail = {}};
}

struct Rig {
  explicit Rig(TerminalPrompts::Options options, const char* typed = "") {
    std::fputs(typed, in);
    std::rewind(in);
    options.in = in;
    options.err = err;
    prompts.emplace(options);
  }
  ~Rig() {
    std::fclose(in);
    std::fclose(err);
  }
  std::FILE* in = std::tmpfile();
  std::FILE* err = std::tmpfile();
  std::optional<TerminalPrompts> prompts;
};

TEST(TerminalPromptsTest, MessagesGoToStandardErrorWithTheirDetail) {
  Rig rig({});
  EXPECT_EQ(rig.prompts->Show({.title = "Tessera",
                               .text = "Open Port Error",
                               .buttons = Buttons::kOk,
                               .icon = Icon::kCritical,
                               .detail = "No such device: /dev/ttyS98"}),
            Answer::kOk);
  rig.prompts->Show(Question(Buttons::kOk, "Line 1\r\nLine 2", ""));
  EXPECT_EQ(ReadBack(rig.err),
            "Tessera: Open Port Error\n  No such device: /dev/ttyS98\nLine 1\nLine 2\n");
  EXPECT_FALSE(rig.prompts->Refused());
}

// Without a terminal a question gets its cautious answer (refused), with --yes a
// confirmation but never a blind retry, on a terminal what the technician types.
TEST(TerminalPromptsTest, QuestionsAnswered) {
  enum Way { kNoTerminal, kAssumeYes, kTyped };
  const struct {
    Way way;
    Buttons buttons;
    const char* typed;
    Answer answer;
  } cases[] = {
      {kNoTerminal, Buttons::kYesNo, "", Answer::kNo},
      {kNoTerminal, Buttons::kYesNoCancel, "", Answer::kCancel},
      {kNoTerminal, Buttons::kOkCancel, "", Answer::kCancel},
      {kNoTerminal, Buttons::kRetryCancel, "", Answer::kCancel},
      {kNoTerminal, Buttons::kAbortRetryIgnore, "", Answer::kAbort},
      {kAssumeYes, Buttons::kYesNo, "", Answer::kYes},
      {kAssumeYes, Buttons::kYesNoCancel, "", Answer::kYes},
      {kAssumeYes, Buttons::kOkCancel, "", Answer::kOk},
      {kAssumeYes, Buttons::kRetryCancel, "", Answer::kCancel},
      {kAssumeYes, Buttons::kAbortRetryIgnore, "", Answer::kAbort},
      {kTyped, Buttons::kYesNo, "y\n", Answer::kYes},
      {kTyped, Buttons::kYesNo, "No\n", Answer::kNo},
      {kTyped, Buttons::kRetryCancel, "x\nr\n", Answer::kRetry},  // asked again after a stray key
      {kTyped, Buttons::kAbortRetryIgnore, "i\n", Answer::kIgnore},
      {kTyped, Buttons::kYesNo, "", Answer::kNo},  // input ended: the cautious answer
  };
  for (const auto& c : cases) {
    Rig rig({.assume_yes = c.way == kAssumeYes, .interactive = c.way == kTyped}, c.typed);
    EXPECT_EQ(rig.prompts->Show(Question(c.buttons)), c.answer) << c.way << " " << c.typed;
    if (c.way != kNoTerminal) continue;
    EXPECT_TRUE(rig.prompts->Refused());
    EXPECT_NE(ReadBack(rig.err).find("no terminal to ask"), std::string::npos);
  }
  Rig rig({.interactive = true}, "n\n");
  rig.prompts->Show(Question(Buttons::kYesNo));
  EXPECT_EQ(ReadBack(rig.err), "T: Q\n[y]es/[n]o? ");
}

TEST(TerminalPromptsTest, FileDialogsAnswerWithTheCommandLinesPath) {
  TerminalPrompts prompts({});
  EXPECT_EQ(prompts.OpenFile("Open", "", "*.hex"), std::nullopt);
  prompts.SetOpenPath("/tmp/a.hex");
  prompts.SetSavePath("/tmp/report.txt");
  EXPECT_EQ(prompts.OpenFile("Open", "", "*.hex"), QString("/tmp/a.hex"));
  EXPECT_EQ(prompts.SaveFile("Save", "Untitled.txt", "*.txt"), QString("/tmp/report.txt"));
}

}  // namespace
}  // namespace common
