#include <gtest/gtest.h>

#include "common/testing/scripted_prompts.h"

namespace common {
namespace {

TEST(ScriptedPromptsTest, UnscriptedBoxesTakeTheirFirstButtonAndDialogsCancel) {
  const std::pair<Buttons, Answer> cases[] = {
      {Buttons::kOk, Answer::kOk},
      {Buttons::kOkCancel, Answer::kOk},
      {Buttons::kRetryCancel, Answer::kRetry},
      {Buttons::kAbortRetryIgnore, Answer::kAbort},
      {Buttons::kYesNo, Answer::kYes},
      {Buttons::kYesNoCancel, Answer::kYes},
  };
  ScriptedPrompts prompts;
  for (const auto& [buttons, answer] : cases) {
    EXPECT_EQ(prompts.Show({"t", "x", buttons, Icon::kNone, {}}), answer);
  }
  EXPECT_EQ(prompts.shown().size(), std::size(cases));
  EXPECT_FALSE(prompts.OpenFile("Open", "", "*.hex").has_value());
  EXPECT_FALSE(prompts.SaveFile("Save", "Untitled.txt", "*.txt").has_value());
  EXPECT_FALSE(prompts.Ask("t", "l", "i").has_value());
}

TEST(ScriptedPromptsTest, ScriptedAnswersAreUsedInOrderAndRecorded) {
  ScriptedPrompts prompts;
  prompts.QueueAnswer(Answer::kCancel);
  prompts.QueueAnswer(Answer::kIgnore);
  prompts.QueueFile(QString("/tmp/a.hex"));
  prompts.QueueFile(std::nullopt);
  prompts.QueueText(QString("42"));
  EXPECT_EQ(
      prompts.Show(
          {"Communications Error", "Rx Timeout Error", Buttons::kRetryCancel, Icon::kCritical, {}}),
      Answer::kCancel);
  EXPECT_EQ(prompts.Show({"t", "x", Buttons::kAbortRetryIgnore, Icon::kCritical, {}}),
            Answer::kIgnore);
  EXPECT_EQ(prompts.OpenFile("Open", "", ""), QString("/tmp/a.hex"));
  EXPECT_FALSE(prompts.SaveFile("Save", "", "").has_value());
  EXPECT_EQ(prompts.Ask("t", "l", ""), QString("42"));
  ASSERT_EQ(prompts.shown().size(), 2u);
  EXPECT_EQ(prompts.shown()[0].title, "Communications Error");
  EXPECT_EQ(prompts.shown()[0].icon, Icon::kCritical);
}

TEST(ScriptedPromptsTest, BusyGuardBalancesTheHourglass) {
  ScriptedPrompts prompts;
  {
    BusyGuard outer(prompts);
    BusyGuard inner(prompts);
    EXPECT_EQ(prompts.busy_depth(), 2);
  }
  EXPECT_EQ(prompts.busy_depth(), 0);
  EXPECT_EQ(prompts.max_busy_depth(), 2);
}

}  // namespace
}  // namespace common
