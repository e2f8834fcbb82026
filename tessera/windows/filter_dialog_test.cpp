// frmFiltering driven as a technician does, against the simulated unit: what it shows
// on loading, what the keys do, what goes over the wire for "Get Values" and "Set
// Filters", and that a value out of range never leaves the dialog.
#include "tessera/windows/filter_dialog.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>

#include "tessera/testing/window_harness.h"

namespace tessera::config {
namespace {

using panel::FeatureWindow;
class FilterDialogTest : public panel::testing::WindowTest {
 protected:
  FilterDialog* Dialog() { return Open<FilterDialog>(FeatureWindow::kInputFilters); }
  QLineEdit* Edge(QWidget* dialog, int k) {
    return Find<QLineEdit>(dialog, QString("txtEdge_%1").arg(k));
  }
};

constexpr char kRangeMessage[] = "Tessera: Error: Filter value must be 0 to 255";

TEST_F(FilterDialogTest, LoadsWithDefaultsThenSetFiltersAndGetValues) {
  FilterDialog* dialog = Dialog();
  // Points 54 and 55 have no input: their entries stay hidden.
  for (int i : {53, 54, 55, 56}) {
    auto* frame = Find<QGroupBox>(dialog, QString("fraInputFilter_%1").arg(i));
    EXPECT_EQ(frame->isHidden(), i == 54 || i == 55) << i;
    EXPECT_EQ(frame->parentWidget()->objectName(), "fraContainer");
  }
  EXPECT_EQ(Edge(dialog, 0)->text() + "|" + Edge(dialog, 119)->text(), "5|5");
  // Not all entries fit: the scroll bar moves the container.
  EXPECT_GT(Find<QScrollBar>(dialog, "scrVScroll")->maximum(), 0);
  // Loading shows the defaults; nothing is asked of the unit.
  EXPECT_EQ(TickRequests(), QStringList());
  // A screen reader names every field and reads its value.
  QAccessibleInterface* field = QAccessible::queryAccessibleInterface(Edge(dialog, 113));
  EXPECT_EQ(field->text(QAccessible::Name), "Opto 1 Falling");  // every field: EachDialog…
  // Set Filters takes the fields to the unit (the table's bytes are the core's tests');
  // Get Values shows the unit's table, once for two clicks.
  Type(Edge(dialog, 10), "12");
  Type(Edge(dialog, 11), "250");
  Click(dialog, "chkRecord_5");
  Click(dialog, "cmdSetFilters");
  EXPECT_EQ(TickRequests().value(0).left(11), "73 0D 00 3C");
  sim::TbxTables& unit = device_->Tables();
  EXPECT_EQ(std::tuple(unit.leading[5], unit.falling[5], unit.record[5], unit.record[4]),
            std::tuple(12, 250, true, false));
  EXPECT_EQ(Shown(), QStringList());  // the unit's answer is not reported
  unit.leading[5] = 13;
  unit.falling[0] = 255;
  Click(dialog, "cmdRetrieve");
  Click(dialog, "cmdRetrieve");
  EXPECT_EQ(TickRequests(), QStringList{"7D 0D 00 75"});
  EXPECT_EQ(QStringList({Edge(dialog, 10)->text(), Edge(dialog, 11)->text(),
                         Edge(dialog, 1)->text(), Edge(dialog, 0)->text()}),
            (QStringList{"13", "250", "255", "5"}));
  EXPECT_TRUE(Find<QCheckBox>(dialog, "chkRecord_5")->isChecked());
  EXPECT_EQ(TickRequests(), QStringList());
}

TEST_F(FilterDialogTest, OnlyDigitsGoInAndAValueAbove255CannotBeLeftButTheDialogCan) {
  FilterDialog* dialog = Dialog();
  QLineEdit* field = Edge(dialog, 6);
  // Text and caret before; keys ('\b' is Backspace, '\x16' Ctrl+V); text after;
  // refused on leaving with Tab.
  const std::tuple<const char*, int, const char*, const char*, bool> cases[] = {
      {"", 0, "1a2 -.b", "12", false},
      {"4", 1, "\x16", "4", false},  // nothing is pasted
      {"42", 1, "7", "472", true},
      {"25", 2, "5", "255", false},
      {"9", 1, "\b", "", false},  // empty counts as 0
      {"", 0, "99999999999", "99999999999", true},
  };
  QApplication::clipboard()->setText("9");
  for (const auto& [text, caret, keys, result, refused] : cases) {
    field->setFocus();
    field->setText(text);
    field->setCursorPosition(caret);
    for (const char key : std::string_view(keys)) {
      key == '\x16' ? QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier)
                    : QTest::keyClick(field, key);
    }
    EXPECT_EQ(field->text(), result) << text << " + " << keys;
    QTest::keyClick(field, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), refused ? QStringList{kRangeMessage} : QStringList()) << result;
    // Refused: the focus comes back with the whole text selected.
    EXPECT_EQ(QApplication::focusWidget(), refused ? field : Edge(dialog, 7)) << result;
    EXPECT_EQ(field->selectedText(), refused ? result : "");
  }
  // Neither a real click on Close (events run between press and release) nor Escape is
  // held up by a value above 255; nothing is said or sent.
  field->setText("");
  for (const bool click : {true, false}) {
    dialog = Dialog();
    Type(Edge(dialog, 3), "300");
    QWidget* close = Find(dialog, "cmdClose");
    if (click) {
      QTest::mousePress(close, Qt::LeftButton, {}, QPoint(8, close->height() / 2));
      QCoreApplication::processEvents();
      QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(8, close->height() / 2));
    } else {
      QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isHidden(); }, 1000));
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), QStringList());
  }
  EXPECT_EQ(TickRequests(), QStringList());
  EXPECT_EQ(device_->Tables().filter_writes, 0);
}

}  // namespace
}  // namespace tessera::config
