#include "common/qtcore/terminal_prompts.h"

#include <gtest/gtest.h>

#include <string>

#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::ReadBack;

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
  Answer Ask(Buttons buttons) {
    return prompts->Show({.title = "T", .text = "Q", .buttons = buttons, .icon = {}, .detail = {}});
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
  rig.prompts->Show(
      {.title = "", .text = "Line 1\r\nLine 2", .buttons = Buttons::kOk, .icon = {}, .detail = {}});
  EXPECT_EQ(ReadBack(rig.err),
            "Tessera: Open Port Error\n  No such device: /dev/ttyS98\nLine 1\nLine 2\n");
  EXPECT_FALSE(rig.prompts->Refused());
}

TEST(TerminalPromptsTest, WithoutATerminalQuestionsAreRefusedNeverAccepted) {
  const std::pair<Buttons, Answer> cases[] = {
      {Buttons::kYesNo, Answer::kNo},
      {Buttons::kYesNoCancel, Answer::kCancel},
      {Buttons::kOkCancel, Answer::kCancel},
      {Buttons::kRetryCancel, Answer::kCancel},
      {Buttons::kAbortRetryIgnore, Answer::kAbort},
  };
  for (const auto& [buttons, cautious] : cases) {
    Rig rig({});
    EXPECT_EQ(rig.Ask(buttons), cautious);
    EXPECT_TRUE(rig.prompts->Refused());
    EXPECT_NE(ReadBack(rig.err).find("no terminal to ask"), std::string::npos);
  }
}

TEST(TerminalPromptsTest, YesAnswersConfirmationsButNeverRetriesBlindly) {
  const std::pair<Buttons, Answer> cases[] = {
      {Buttons::kYesNo, Answer::kYes},
      {Buttons::kYesNoCancel, Answer::kYes},
      {Buttons::kOkCancel, Answer::kOk},
      {Buttons::kRetryCancel, Answer::kCancel},
      {Buttons::kAbortRetryIgnore, Answer::kAbort},
  };
  for (const auto& [buttons, answer] : cases) {
    Rig rig({.assume_yes = true});
    EXPECT_EQ(rig.Ask(buttons), answer);
  }
}

TEST(TerminalPromptsTest, OnATerminalTheTechnicianTypesTheAnswer) {
  const struct {
    Buttons buttons;
    const char* typed;
    Answer answer;
  } cases[] = {
      {Buttons::kYesNo, "y\n", Answer::kYes},
      {Buttons::kYesNo, "No\n", Answer::kNo},
      {Buttons::kRetryCancel, "x\nr\n", Answer::kRetry},  // asked again after a stray key
      {Buttons::kAbortRetryIgnore, "i\n", Answer::kIgnore},
      {Buttons::kYesNo, "", Answer::kNo},  // input ended: the cautious answer
  };
  for (const auto& c : cases) {
    Rig rig({.interactive = true}, c.typed);
    EXPECT_EQ(rig.Ask(c.buttons), c.answer) << c.typed;
  }
  Rig rig({.interactive = true}, "n\n");
  rig.Ask(Buttons::kYesNo);
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
