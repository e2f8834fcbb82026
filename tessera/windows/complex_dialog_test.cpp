// frmComplex driven with the mouse and keyboard against the simulated unit: flag
// captions, what each field puts into ComplexData, the duration limit and the two
// 0x79 frames on the wire.
#include "tessera/windows/complex_dialog.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "tessera/testing/window_harness.h"
#include "tessera/windows/dialog_parts.h"

namespace tessera::config {
namespace {

using panel::FeatureWindow;
class ComplexDialogTest : public panel::testing::WindowTest {
 protected:
  ComplexDialog* Dialog() { return Open<ComplexDialog>(FeatureWindow::kComplexOutputs); }
  QLineEdit* Field(QWidget* dialog, const char* base, int c) {
    return Find<QLineEdit>(dialog, QString("%1_%2").arg(base).arg(c));
  }
  void Type(QLineEdit* field, const char* keys) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, keys);
  }
  std::vector<std::uint8_t> Entry(int c) {
    const std::vector<std::uint8_t> table = device_.Tables().complex.Table();
    if (table.size() != 56) return {};
    return {table.begin() + 7 * c, table.begin() + 7 * c + 7};
  }
  QStringList Shown() {
    QStringList texts;
    for (const common::Message& m : prompts_.shown()) texts << m.title + ": " + m.text;
    prompts_.ClearShown();
    return texts;
  }
};

constexpr char kRangeMessage[] = "Tessera: Error: Duration value must be 0 to 65535";

TEST_F(ComplexDialogTest, LoadsClearedWithItsCaptionsAndSendsTheClearedTable) {
  ComplexDialog* dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Complex Outputs");
  const std::pair<int, const char*> flags[] = {{0, "(L) Line Sync"},
                                               {1, "(R) Trig:On->Off"},
                                               {2, "(F) Filtered Input"},
                                               {3, "(J) Primary = On"},
                                               {4, "(E) Enable"},
                                               {5, "(G) Gated"},
                                               {6, "(W) Triggered"},
                                               {7, "(P) Pulse"},
                                               {8, "Line Sync "},
                                               {9, "Trigger: On->Off"},
                                               {10, "Filtered Input"},
                                               {11, "Primary = On"},
                                               {12, "Enable"},
                                               {13, "Gated"},
                                               {14, "Triggered"},
                                               {63, "Pulse"}};
  for (const auto& [k, caption] : flags) {
    EXPECT_EQ(Find<QCheckBox>(dialog, QString("chkControl_%1").arg(k))->text(), caption) << k;
  }
  auto* outputs = Find<QComboBox>(dialog, "cmbOutput_5");
  ASSERT_EQ(outputs->count(), 56);
  EXPECT_EQ(QStringList({outputs->itemText(0), outputs->itemText(1), outputs->itemText(54),
                         outputs->itemText(55)}),
            QStringList({"Off", "0", "53", "Active"}));
  Click(dialog, "cmdSetComplex");
  EXPECT_EQ(TickRequests(),
            (QStringList{"79 0D 00 00 " + QString("00 ").repeated(56) + "79",
                         "79 0D 00 08 " + QString("FF 00 00 00 00 00 00 ").repeated(8) + "79"}));
  QAccessibleInterface* box =
      QAccessible::queryAccessibleInterface(Field(dialog, "txtSecondaryDuration", 1));
  EXPECT_EQ(box->text(QAccessible::Name), "Complex Output #2 Secondary");
  EXPECT_EQ(box->text(QAccessible::Value), "0");
  EXPECT_EQ(Unnamed(dialog), QStringList());
}

TEST_F(ComplexDialogTest, EachFieldGivesItsBytes) {
  const struct {
    int output;
    const char* list_output;
    const char* primary;
    const char* secondary;
    const char* input;
    std::vector<int> flags;
    std::vector<std::uint8_t> entry;
  } cases[] = {
      {0, "Active", "300", "65535", "59", {0, 7}, {0x36, 0x01, 0x2C, 0xFF, 0xFF, 0x3B, 0x81}},
      {1, "0", "256", "", "0", {}, {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {2, "Off", "1x", "2a55", "7", {1, 2, 3, 4, 5, 6}, {0xFF, 0x00, 0x01, 0x00, 0xFF, 0x07, 0x7E}},
      {7, "53", "0", "4660", "30", {4}, {0x35, 0x00, 0x00, 0x12, 0x34, 0x1E, 0x10}},
  };
  ComplexDialog* dialog = Dialog();
  for (const auto& c : cases) {
    Choose(dialog, QString("cmbOutput_%1").arg(c.output), c.list_output);
    Choose(dialog, QString("cmbInput_%1").arg(c.output), c.input);
    Type(Field(dialog, "txtPrimaryDuration", c.output), c.primary);
    Type(Field(dialog, "txtSecondaryDuration", c.output), c.secondary);
    for (int b : c.flags) Click(dialog, QString("chkControl_%1").arg(8 * c.output + b));
  }
  Click(dialog, "cmdSetComplex");
  Tick();
  for (const auto& c : cases) EXPECT_EQ(Entry(c.output), c.entry) << c.output;
  EXPECT_EQ(Shown(), QStringList());
}

TEST_F(ComplexDialogTest, ADurationAbove65535IsRefusedAndNeverSent) {
  ComplexDialog* dialog = Dialog();
  QLineEdit* field = Field(dialog, "txtSecondaryDuration", 2);
  for (const auto& [typed, refused] : {std::pair("65536", true), std::pair("65535", false)}) {
    Type(field, typed);
    QTest::keyClick(field, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), refused ? QStringList{kRangeMessage} : QStringList()) << typed;
    EXPECT_EQ(QApplication::focusWidget() == field, refused) << typed;
  }
  field = Field(dialog, "txtPrimaryDuration", 4);
  Type(field, "70000");
  Click(dialog, "cmdSetComplex");  // the click takes the focus: one message, not two
  QCoreApplication::processEvents();
  EXPECT_EQ(Shown(), QStringList{kRangeMessage});
  EXPECT_EQ(QApplication::focusWidget(), field);
  EXPECT_EQ(field->selectedText(), "70000");
  EXPECT_EQ(TickRequests(), QStringList());
  // A box that stays up until answered: the field loses the focus to it, and the
  // field's own check, due once the click is over, runs while it is up.
  prompts_.on_show = [] {
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    QTest::qWait(20);
  };
  Click(dialog, "cmdSetComplex");
  prompts_.on_show = nullptr;
  EXPECT_EQ(Shown(), QStringList{kRangeMessage});
  // Frame B never follows a frame A the unit left unanswered.
  Type(field, "7");
  device_.Tables().frame_a_answer = sim::FrameAAnswer::kSilent;
  Click(dialog, "cmdSetComplex");
  EXPECT_EQ(TickRequests().size(), 1);
  EXPECT_EQ(device_.Tables().complex.frame_order, (std::vector<std::uint8_t>{0x00}));
}

TEST_F(ComplexDialogTest, ClearCloseAndTheCloseBox) {
  ComplexDialog* dialog = Dialog();
  Choose(dialog, "cmbOutput_1", "Active");
  Type(Field(dialog, "txtPrimaryDuration", 1), "1234");
  Click(dialog, "chkControl_9");
  Click(dialog, "cmdClose");
  EXPECT_EQ(Dialog(), dialog);
  EXPECT_EQ(Field(dialog, "txtPrimaryDuration", 1)->text(), "1234");
  Click(dialog, "cmdClear");
  EXPECT_EQ(Find<QComboBox>(dialog, "cmbOutput_1")->currentText(), "Off");
  EXPECT_EQ(Field(dialog, "txtPrimaryDuration", 1)->text(), "0");
  EXPECT_FALSE(Find<QCheckBox>(dialog, "chkControl_9")->isChecked());
  Type(Field(dialog, "txtSecondaryDuration", 1), "55");
  dialog->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Field(Dialog(), "txtSecondaryDuration", 1)->text(), "0");
}

// Every configuration dialog on a 1024x768 screen: its buttons within reach, and
// closed from the keyboard by Escape or the Close button's mnemonic.
TEST_F(ComplexDialogTest, EachDialogFitsASmallScreenAndClosesFromTheKeyboard) {
  for (const FeatureWindow item : {FeatureWindow::kInputFilters, FeatureWindow::kInputTracking,
                                   FeatureWindow::kComplexOutputs}) {
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), Qt::ALT | Qt::Key_C}) {
      QWidget* dialog = Open(item);
      dialog->resize(1024, 768 - kTitleBarAllowance);
      EXPECT_LE(dialog->height(), 768 - kTitleBarAllowance) << static_cast<int>(item);
      EXPECT_LE(dialog->width(), 1024) << static_cast<int>(item);
      auto* close = Find<QPushButton>(dialog, "cmdClose");
      EXPECT_TRUE(dialog->rect().contains(QRect(close->mapTo(dialog, QPoint()), close->size())))
          << static_cast<int>(item);
      EXPECT_EQ(close->accessibleName(), "Close");
      // The previous dialog's going may still move the activation: let it, then come back.
      QCoreApplication::processEvents();
      dialog->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
      if (dialog->focusWidget() == nullptr) QTest::keyClick(dialog, Qt::Key_Tab);
      QWidget* focus = dialog->focusWidget();
      ASSERT_NE(focus, nullptr) << static_cast<int>(item);
      QTest::keyClick(focus, key.key(), key.keyboardModifiers());
      EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isHidden(); }, 1000))
          << static_cast<int>(item);
    }
  }
  EXPECT_EQ(Shown(), QStringList());
}

}  // namespace
}  // namespace tessera::config
