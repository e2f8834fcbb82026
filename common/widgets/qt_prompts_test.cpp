#include "common/widgets/qt_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace common {
namespace {

// What the box showed before its button `press` was clicked.
struct Seen {
  Answer answer;
  QString text, detail;
  bool detail_wraps = true;
  QWidget* parent = nullptr;
  bool default_no = false;
};

Seen Show(QtPrompts& prompts, Message message, QMessageBox::StandardButton press) {
  Seen seen{};
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    const auto* detail = box->findChild<QLabel*>("qt_msgbox_informativelabel");
    seen = {Answer::kOk,
            box->text(),
            box->informativeText(),
            detail != nullptr && detail->wordWrap(),
            box->parentWidget(),
            box->defaultButton() == box->button(QMessageBox::No)};
    QTest::mouseClick(box->button(press), Qt::LeftButton);
  });
  const Answer answer = prompts.Show(message);
  seen.answer = answer;
  return seen;
}

Message Box(Buttons buttons, const char* text = "Q", const char* detail = "") {
  return {.title = "T", .text = text, .buttons = buttons, .icon = {}, .detail = detail};
}

TEST(QtPromptsTest, ButtonsMapToAnswersAndTheReasonKeepsItsPathWhole) {
  QtPrompts prompts;
  const Seen seen =
      Show(prompts, Box(Buttons::kOk, "Open Port Error", "No such device: /dev/ttyS98"),
           QMessageBox::Ok);
  EXPECT_EQ(seen.answer, Answer::kOk);
  EXPECT_EQ(seen.text, "Open Port Error");
  EXPECT_EQ(seen.detail, "No such device: /dev/ttyS98");
  EXPECT_FALSE(seen.detail_wraps);
  const struct {
    Buttons buttons;
    QMessageBox::StandardButton press;
    Answer answer;
  } cases[] = {{Buttons::kRetryCancel, QMessageBox::Retry, Answer::kRetry},
               {Buttons::kRetryCancel, QMessageBox::Cancel, Answer::kCancel},
               {Buttons::kAbortRetryIgnore, QMessageBox::Ignore, Answer::kIgnore},
               {Buttons::kYesNo, QMessageBox::No, Answer::kNo},
               {Buttons::kOkCancel, QMessageBox::Ok, Answer::kOk}};
  for (const auto& c : cases) EXPECT_EQ(Show(prompts, Box(c.buttons), c.press).answer, c.answer);
}

// The window system returns the activation to a box's parent when it closes: a box
// over a dialog must belong to the dialog, or the focus lands in the main window.
TEST(QtPromptsTest, ABoxOverADialogBelongsToTheDialog) {
  QWidget main;
  main.show();
  QDialog dialog(&main);
  auto* field = new QLineEdit(&dialog);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  field->setFocus();
  QtPrompts prompts(&main);
  EXPECT_EQ(Show(prompts, Box(Buttons::kOk), QMessageBox::Ok).parent, &dialog);
  dialog.hide();
  main.activateWindow();
  EXPECT_EQ(Show(prompts, Box(Buttons::kOk), QMessageBox::Ok).parent, &main);
  // A box that names its window goes there, whatever is active; Enter says No.
  Message question = Box(Buttons::kYesNo, "Erase?");
  question.default_answer = Answer::kNo;
  question.owner = &dialog;
  const Seen seen = Show(prompts, question, QMessageBox::No);
  EXPECT_EQ(seen.parent, &dialog);
  EXPECT_TRUE(seen.default_no);
}

}  // namespace
}  // namespace common
