// frmComplex and frmTracking driven with the mouse and keyboard against the simulated
// unit: what each field or list choice puts into ComplexData and TrackData, the
// duration limit, the two frames of each on the wire; and what all three
// configuration dialogs share.
#include "tessera/windows/complex_dialog.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "tessera/testing/window_harness.h"
#include "tessera/windows/dialog_parts.h"
#include "tessera/windows/tracking_dialog.h"

namespace tessera::config {
namespace {

using panel::FeatureWindow;
class ComplexDialogTest : public panel::testing::WindowTest {
 protected:
  QLineEdit* Field(QWidget* dialog, const char* base, int c) {
    return Find<QLineEdit>(dialog, QString("%1_%2").arg(base).arg(c));
  }
  QString Value(QWidget* dialog, const char* name) {
    auto* list = qobject_cast<QComboBox*>(Find(dialog, name));
    return list ? list->currentText() : Find(dialog, name)->property("text").toString();
  }
  void Set(QWidget* dialog, const char* name, const char* value) {
    qobject_cast<QComboBox*>(Find(dialog, name)) ? Choose(dialog, name, value)
                                                 : Type(Find(dialog, name), value);
  }
};

// `size` bytes of the unit's table from entry `at` on.
std::vector<std::uint8_t> Entry(const std::vector<std::uint8_t>& table, int at, int size) {
  if (table.size() < static_cast<std::size_t>(size * (at + 1))) return {};
  return {table.begin() + size * at, table.begin() + size * (at + 1)};
}

constexpr char kRangeMessage[] = "Tessera: Error: Duration value must be 0 to 65535";

// As loaded the table is cleared; then each field gives its bytes.
TEST_F(ComplexDialogTest, EachFieldGivesItsBytesAndADurationAbove65535IsNeverSent) {
  // Output, its list's choice, primary and secondary durations, input, control flags
  // set; the entry's bytes.
  using Row = std::tuple<int, const char*, const char*, const char*, const char*, std::vector<int>,
                         std::vector<std::uint8_t>>;
  const Row cases[] = {
      {0, "Active", "300", "65535", "59", {0, 7}, {0x36, 0x01, 0x2C, 0xFF, 0xFF, 0x3B, 0x81}},
      {2, "Off", "1x", "2a55", "7", {1, 2, 3, 4, 5, 6}, {0xFF, 0x00, 0x01, 0x00, 0xFF, 0x07, 0x7E}},
      {7, "53", "0", "4660", "30", {4}, {0x35, 0x00, 0x00, 0x12, 0x34, 0x1E, 0x10}},
  };
  auto* dialog = Open<ComplexDialog>(FeatureWindow::kComplexOutputs);
  Click(dialog, "cmdSetComplex");  // as loaded: all cleared
  EXPECT_EQ(TickRequests(),
            (QStringList{"79 0D 00 00 " + QString("00 ").repeated(56) + "79",
                         "79 0D 00 08 " + QString("FF 00 00 00 00 00 00 ").repeated(8) + "79"}));
  for (const auto& [output, list_output, primary, secondary, input, flags, entry] : cases) {
    Choose(dialog, QString("cmbOutput_%1").arg(output), list_output);
    Choose(dialog, QString("cmbInput_%1").arg(output), input);
    Type(Field(dialog, "txtPrimaryDuration", output), primary);
    Type(Field(dialog, "txtSecondaryDuration", output), secondary);
    for (int b : flags) Click(dialog, QString("chkControl_%1").arg(8 * output + b));
  }
  Click(dialog, "cmdSetComplex");
  Tick();
  for (const auto& [output, list, primary, secondary, input, flags, entry] : cases)
    EXPECT_EQ(Entry(device_->Tables().complex.Table(), output, 7), entry) << output;
  EXPECT_EQ(Shown(), QStringList());
  QLineEdit* field = Field(dialog, "txtPrimaryDuration", 4);
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
}

// Every configuration dialog: Close hides it with its values, Clear resets them, the
// close box unloads it so the next opening starts afresh, and none of these talks to
// the unit. On a 1024x768 screen its buttons are within reach, and Escape or the Close
// button's mnemonic closes it from the keyboard.
TEST_F(ComplexDialogTest, EachDialogClearsClosesAndFitsASmallScreen) {
  // The dialog, a field and a value for it; each reset button and the value it leaves,
  // the last one also what a fresh dialog shows.
  using Resets = std::vector<std::pair<const char*, const char*>>;
  const std::tuple<FeatureWindow, const char*, const char*, Resets> cases[] = {
      {FeatureWindow::kInputFilters,
       "txtEdge_2",
       "77",
       {{"cmdClearAll", "0"}, {"cmdDefault", "5"}}},
      {FeatureWindow::kInputTracking, "cmbInput_2", "33", {{"cmdClear", "0"}}},
      {FeatureWindow::kComplexOutputs, "cmbOutput_1", "Active", {{"cmdClear", "Off"}}},
  };
  for (const auto& [item, field, value, resets] : cases) {
    SCOPED_TRACE(field);
    QWidget* dialog = Open(item);
    Set(dialog, field, value);
    Click(dialog, "cmdClose");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Open(item), dialog);
    EXPECT_EQ(Value(dialog, field), value);
    for (const auto& [button, after] : resets) {
      Click(dialog, button);
      EXPECT_EQ(Value(dialog, field), after) << button;
    }
    Set(dialog, field, value);
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dialog = Open(item);
    EXPECT_EQ(Value(dialog, field), resets.back().second);
    EXPECT_EQ(Unnamed(dialog), QStringList());
    EXPECT_EQ(TickRequests(), QStringList());

    for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), Qt::ALT | Qt::Key_C}) {
      dialog = Open(item);
      dialog->resize(1024, 768 - kTitleBarAllowance);
      auto* close = Find<QPushButton>(dialog, "cmdClose");
      EXPECT_TRUE(dialog->rect().contains(QRect(close->mapTo(dialog, QPoint()), close->size())));
      // The previous dialog's going may still move the activation: let it, then come back.
      QCoreApplication::processEvents();
      dialog->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
      if (dialog->focusWidget() == nullptr) QTest::keyClick(dialog, Qt::Key_Tab);
      ASSERT_NE(dialog->focusWidget(), nullptr);
      QTest::keyClick(dialog->focusWidget(), key.key(), key.keyboardModifiers());
      EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isHidden(); }, 1000));
    }
  }
  EXPECT_EQ(Shown(), QStringList());
}

// --- frmTracking ----------------------------------------------------------------------

constexpr char kFrameA[] = "78 0D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7A";

using TrackingDialogTest = panel::testing::WindowTest;

// As loaded the table is cleared; then each choice gives its two bytes. Frame B
// follows only an answered frame A (the load rule is the core's), and a click before
// the tick is rebuilt from the newest choices: one load.
TEST_F(TrackingDialogTest, EachChoiceGivesItsTwoBytes) {
  // Track, output, input, inverted; its two bytes.
  const std::tuple<int, const char*, const char*, bool, std::vector<std::uint8_t>> cases[] = {
      {0, "53", "59", true, {0xB5, 0xBB}},
      {1, "Active", "0", false, {0xB6, 0x00}},
      {2, "Off", "5", true, {0x7F, 0x85}},  // "Off" still carries the input byte
      {7, "17", "42", false, {0x91, 0x2A}},
  };
  auto* dialog = Open<TrackingDialog>(FeatureWindow::kInputTracking);
  device_->Tables().frame_a_answer = sim::FrameAAnswer::kSilent;
  Click(dialog, "cmdSetTracking");
  EXPECT_EQ(TickRequests(), QStringList{kFrameA});
  EXPECT_TRUE(prompts_.shown().empty());  // no message
  device_->Tables().frame_a_answer = sim::FrameAAnswer::kNormal;
  Click(dialog, "cmdSetTracking");  // as loaded: all "Off", input 0, not inverted
  EXPECT_EQ(
      TickRequests(),
      (QStringList{kFrameA, "78 0D 00 08 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7A"}));
  // A screen reader hears the list's labels and its choice.
  QAccessibleInterface* list =
      QAccessible::queryAccessibleInterface(Find<QComboBox>(dialog, "cmbOutput_4"));
  EXPECT_EQ(list->text(QAccessible::Value), "Off");
  QStringList labels;
  for (const auto& relation : list->relations(QAccessible::Label))
    labels << relation.first->text(QAccessible::Name);
  labels.sort();
  EXPECT_EQ(labels, (QStringList{"Output #", "Track #5"}));
  Click(dialog, "cmdSetTracking");
  for (const auto& [track, output, input, invert, bytes] : cases) {
    Choose(dialog, QString("cmbOutput_%1").arg(track), output);
    Choose(dialog, QString("cmbInput_%1").arg(track), input);
    if (invert) Click(dialog, QString("chkInvert_%1").arg(track));
  }
  Click(dialog, "cmdSetTracking");
  EXPECT_EQ(TickRequests().size(), 2);
  for (const auto& [track, output, input, invert, bytes] : cases)
    EXPECT_EQ(Entry(device_->Tables().tracking.Table(), track, 2), bytes) << track;
  EXPECT_EQ(TickRequests(), QStringList());
}

}  // namespace
}  // namespace tessera::config
