#include "common/widgets/qt_prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

namespace common {
namespace {

// Runs `look` on the message box once it is up, then presses its button `press`.
void WhenTheBoxShows(std::function<void(QMessageBox&)> look, QMessageBox::StandardButton press) {
  QTimer::singleShot(0, [look, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    look(*box);
    QTest::mouseClick(box->button(press), Qt::LeftButton);
  });
}

TEST(QtPromptsTest, MainTextStaysExactAndTheReasonKeepsItsPathWhole) {
  QtPrompts prompts;
  QString text, informative;
  bool wraps = true;
  WhenTheBoxShows(
      [&](QMessageBox& box) {
        text = box.text();
        informative = box.informativeText();
        wraps = box.findChild<QLabel*>("qt_msgbox_informativelabel")->wordWrap();
      },
      QMessageBox::Ok);
  EXPECT_EQ(prompts.Show({.title = "Tessera",
                          .text = "Open Port Error",
                          .buttons = Buttons::kOk,
                          .icon = Icon::kCritical,
                          .detail = "No such device: /dev/ttyS98"}),
            Answer::kOk);
  EXPECT_EQ(text, "Open Port Error");
  EXPECT_EQ(informative, "No such device: /dev/ttyS98");
  EXPECT_FALSE(wraps);
}

TEST(QtPromptsTest, ButtonsMapToAnswers) {
  QtPrompts prompts;
  const struct {
    Buttons buttons;
    QMessageBox::StandardButton press;
    Answer answer;
  } cases[] = {{Buttons::kRetryCancel, QMessageBox::Retry, Answer::kRetry},
               {Buttons::kRetryCancel, QMessageBox::Cancel, Answer::kCancel},
               {Buttons::kAbortRetryIgnore, QMessageBox::Ignore, Answer::kIgnore},
               {Buttons::kYesNo, QMessageBox::No, Answer::kNo},
               {Buttons::kOkCancel, QMessageBox::Ok, Answer::kOk}};
  for (const auto& c : cases) {
    WhenTheBoxShows([](QMessageBox&) {}, c.press);
    EXPECT_EQ(
        prompts.Show({.title = "T", .text = "Q", .buttons = c.buttons, .icon = {}, .detail = {}}),
        c.answer);
  }
}

// The window system returns the activation to a box's parent when it closes: a box
// over a dialog must belong to the dialog, or the focus lands in the main window.
TEST(QtPromptsTest, ABoxOverADialogBelongsToTheDialog) {
  QWidget main;
  main.show();
  QDialog dialog(&main);
  auto* field = new QLineEdit(&dialog);
  (new QVBoxLayout(&dialog))->addWidget(field);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  field->setFocus();
  QtPrompts prompts(&main);
  QWidget* box_parent = nullptr;
  WhenTheBoxShows([&](QMessageBox& box) { box_parent = box.parentWidget(); }, QMessageBox::Ok);
  prompts.Show(
      {.title = "T", .text = "Bad number", .buttons = Buttons::kOk, .icon = {}, .detail = {}});
  EXPECT_EQ(box_parent, &dialog);
  dialog.hide();
  main.activateWindow();
  WhenTheBoxShows([&](QMessageBox& box) { box_parent = box.parentWidget(); }, QMessageBox::Ok);
  prompts.Show({.title = "T", .text = "Port", .buttons = Buttons::kOk, .icon = {}, .detail = {}});
  EXPECT_EQ(box_parent, &main);
  // A box that names its window goes there, whatever is active; Enter says No.
  bool no_by_default = false;
  WhenTheBoxShows(
      [&](QMessageBox& box) {
        box_parent = box.parentWidget();
        no_by_default = box.defaultButton() == box.button(QMessageBox::No);
      },
      QMessageBox::No);
  Message question{
      .title = "T", .text = "Erase?", .buttons = Buttons::kYesNo, .icon = {}, .detail = {}};
  question.default_answer = Answer::kNo;
  question.owner = &dialog;
  prompts.Show(question);
  EXPECT_EQ(box_parent, &dialog);
  EXPECT_TRUE(no_by_default);
}

}  // namespace
}  // namespace common
