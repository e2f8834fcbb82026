#include "tessera/panel/modeless_dialogs.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <memory>

namespace tessera::panel {
namespace {

TEST(ModelessDialogs, SecondChoiceBringsTheSameWindowForward) {
  auto owner = std::make_unique<QWidget>();
  ModelessDialogs dialogs(owner.get());
  int made = 0;
  dialogs.Register("mnuConfigureInputs", [&made](QWidget* parent) {
    ++made;
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("frmFiltering");
    return dialog;
  });
  QWidget* first = dialogs.Show("mnuConfigureInputs");
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isVisible());
  EXPECT_TRUE(first->isWindow());
  EXPECT_EQ(first->windowModality(), Qt::NonModal);
  first->hide();  // closed without being deleted
  QWidget* second = dialogs.Show("mnuConfigureInputs");
  EXPECT_EQ(second, first);
  EXPECT_TRUE(second->isVisible());
  EXPECT_EQ(made, 1);
  EXPECT_EQ(owner->findChildren<QDialog*>().size(), 1);
}

TEST(ModelessDialogs, DeletedWindowIsMadeAgain) {
  auto owner = std::make_unique<QWidget>();
  ModelessDialogs dialogs(owner.get());
  int made = 0;
  dialogs.Register("mnuTransition", [&made](QWidget* parent) {
    ++made;
    auto* dialog = new QDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
  });
  QWidget* first = dialogs.Show("mnuTransition");
  delete first;
  EXPECT_EQ(dialogs.Instance("mnuTransition"), nullptr);
  QWidget* second = dialogs.Show("mnuTransition");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(made, 2);
}

TEST(ModelessDialogs, UnknownOrFailingFactoryGivesNothing) {
  auto owner = std::make_unique<QWidget>();
  ModelessDialogs dialogs(owner.get());
  EXPECT_EQ(dialogs.Show("mnuEventLog"), nullptr);
  dialogs.Register("mnuEventLog", [](QWidget*) -> QWidget* { return nullptr; });
  EXPECT_TRUE(dialogs.IsRegistered("mnuEventLog"));
  EXPECT_EQ(dialogs.Show("mnuEventLog"), nullptr);
}

}  // namespace
}  // namespace tessera::panel
