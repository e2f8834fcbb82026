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
#include <functional>

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
  QCheckBox* Record(QWidget* dialog, int i) {
    return Find<QCheckBox>(dialog, QString("chkRecord_%1").arg(i));
  }
  // Replaces the field's text by typing, as a technician does.
  void Type(QLineEdit* field, const char* keys) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, keys);
  }
  QStringList Edges(QWidget* dialog, std::initializer_list<int> ks) {
    QStringList texts;
    for (int k : ks) texts << Edge(dialog, k)->text();
    return texts;
  }
  // The boxes shown since the last call: "title: text", and "!" for an icon.
  QStringList Shown() {
    QStringList texts;
    for (const common::Message& m : prompts_.shown()) {
      texts << m.title + ": " + m.text + (m.icon != common::Icon::kNone ? "!" : "");
    }
    prompts_.ClearShown();
    return texts;
  }
};

constexpr char kRangeMessage[] = "Tessera: Error: Filter value must be 0 to 255";

TEST_F(FilterDialogTest, LoadsWithDefaultsAndTheEmptyEntriesHidden) {
  FilterDialog* dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Input Filtering");
  const std::pair<int, const char*> captions[] = {{0, "Input 00"},         {53, "Input 53"},
                                                  {54, "Input 54 (Null)"}, {55, "Input 55 (null)"},
                                                  {56, "Opto 1"},          {59, "Opto 4"}};
  for (const auto& [i, caption] : captions) {
    auto* frame = Find<QGroupBox>(dialog, QString("fraInputFilter_%1").arg(i));
    EXPECT_EQ(frame->title(), caption);
    EXPECT_EQ(frame->isHidden(), i == 54 || i == 55) << i;
    EXPECT_EQ(frame->parentWidget()->objectName(), "fraContainer");
  }
  for (int k = 0; k < 120; ++k) ASSERT_EQ(Edge(dialog, k)->text(), "5") << k;
  for (int i = 0; i < 60; ++i) ASSERT_FALSE(Record(dialog, i)->isChecked()) << i;
  // Not all entries fit: the scroll bar moves the container.
  EXPECT_GT(Find<QScrollBar>(dialog, "scrVScroll")->maximum(), 0);
  // Loading shows the defaults; nothing is asked of the unit.
  EXPECT_EQ(TickRequests(), QStringList());
  EXPECT_EQ(Open<FilterDialog>(FeatureWindow::kInputFilters), dialog);  // one dialog only
  // A screen reader names every field and reads its value.
  QAccessibleInterface* field = QAccessible::queryAccessibleInterface(Edge(dialog, 113));
  EXPECT_EQ(field->text(QAccessible::Name), "Opto 1 Falling");
  EXPECT_EQ(field->text(QAccessible::Value), "5");
  EXPECT_EQ(Unnamed(dialog), QStringList());
}

TEST_F(FilterDialogTest, OnlyDigitsGoInAndAValueAbove255CannotBeLeft) {
  FilterDialog* dialog = Dialog();
  QLineEdit* field = Edge(dialog, 6);
  const struct {
    const char* text;
    int caret;
    const char* keys;  // '\b' is Backspace, '\x7f' Delete, '\x16' Ctrl+V
    const char* result;
    bool refused;  // on leaving with Tab
  } cases[] = {
      {"", 0, "1a2 -.b", "12", false},
      {"42", 0, "\b", "42", false},  // Backspace at the start changes nothing
      {"42", 2, "\b", "4", false},
      {"42", 0, "\x7f", "2", false},
      {"4", 1, "\x16", "4", false},  // nothing is pasted
      {"42", 1, "7", "472", true},
      {"25", 2, "6", "256", true},
      {"25", 2, "5", "255", false},
      {"9", 1, "\b", "", false},  // empty counts as 0
      {"", 0, "99999999999", "99999999999", true},
  };
  for (const auto& c : cases) {
    field->setFocus();
    field->setText(c.text);
    field->setCursorPosition(c.caret);
    for (const char* key = c.keys; *key != '\0'; ++key) {
      if (*key == '\b') {
        QTest::keyClick(field, Qt::Key_Backspace);
      } else if (*key == '\x7f') {
        QTest::keyClick(field, Qt::Key_Delete);
      } else if (*key == '\x16') {
        QApplication::clipboard()->setText("9");
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
      } else {
        QTest::keyClicks(field, QString(QLatin1Char(*key)));
      }
    }
    EXPECT_EQ(field->text(), c.result) << c.text << " + " << c.keys;
    QTest::keyClick(field, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), c.refused ? QStringList{kRangeMessage} : QStringList()) << c.result;
    // Refused: the focus comes back with the whole text selected.
    EXPECT_EQ(QApplication::focusWidget(), c.refused ? field : Edge(dialog, 7)) << c.result;
    EXPECT_EQ(field->selectedText(), c.refused ? c.result : "");
  }
}

TEST_F(FilterDialogTest, GetValuesShowsTheUnitsTableOnceForTwoClicks) {
  sim::TbxTables& unit = device_.Tables();
  unit.leading[5] = 12;
  unit.falling[5] = 250;
  unit.falling[0] = 255;
  unit.record[5] = true;
  FilterDialog* dialog = Dialog();
  Click(dialog, "cmdRetrieve");
  Click(dialog, "cmdRetrieve");
  EXPECT_EQ(TickRequests(), QStringList{"7D 0D 00 75"});
  EXPECT_EQ(Edges(dialog, {10, 11, 1, 0}), (QStringList{"12", "250", "255", "5"}));
  EXPECT_TRUE(Record(dialog, 5)->isChecked());
  EXPECT_FALSE(Record(dialog, 4)->isChecked());
  EXPECT_EQ(TickRequests(), QStringList());
}

TEST_F(FilterDialogTest, RecordFlagsOfTheOptosComeFromByte135) {
  const struct {
    std::uint8_t byte135;
    bool optos_recorded;
  } cases[] = {{0x0F, true}, {0xFF, true}, {0xF0, false}};  // bits 4-7 name no entry
  for (const auto& c : cases) {
    // 7D 0D 00, versions, two unused bytes, 60 + 60 values (7), record bits 128-135.
    common::Bytes answer = {0x7D, 0x0D, 0x00, 0x23, 0x23, 0x14, 0x00, 0x00};
    answer.resize(128, 0x07);
    answer.resize(136, 0x00);
    answer[135] = c.byte135;
    device_.Model().SetCommand(kCmdGetFilters, sim::FixedLength(4),
                               [answer](ByteView) { return std::optional(answer); });
    FilterDialog* dialog = Dialog();
    Click(dialog, "cmdRetrieve");
    Tick();
    for (int i = 0; i < 60; ++i) {
      ASSERT_EQ(Record(dialog, i)->isChecked(), i >= 56 && c.optos_recorded) << i;
    }
    EXPECT_EQ(Edge(dialog, 119)->text(), "7");
  }
}

TEST_F(FilterDialogTest, SetFiltersSendsTheTableBuiltFromTheFields) {
  FilterDialog* dialog = Dialog();
  Type(Edge(dialog, 10), "12");
  Type(Edge(dialog, 11), "250");
  Click(dialog, "chkRecord_5");
  Click(dialog, "cmdSetFilters");
  const QStringList sent = TickRequests();
  ASSERT_EQ(sent.size(), 1);
  EXPECT_EQ(sent[0].size(), 185 * 3 - 1);
  // 73 0D 00 3C; entry i = i, leading, falling; entry 5 recorded: 85 0C FA (FilterData 15-17).
  EXPECT_TRUE(
      sent[0].startsWith("73 0D 00 3C 00 05 05 01 05 05 02 05 05 03 05 05 04 05 05 "
                         "85 0C FA 06 05 05"))
      << sent[0].toStdString();
  EXPECT_TRUE(sent[0].endsWith("38 05 05 39 05 05 3A 05 05 3B 05 05 85"));
  const sim::TbxTables& unit = device_.Tables();
  EXPECT_EQ(std::tuple(unit.leading[5], unit.falling[5], unit.record[5], unit.record[4]),
            std::tuple(12, 250, true, false));
  EXPECT_EQ(Shown(), QStringList());  // the unit's answer is not reported
}

TEST_F(FilterDialogTest, AValueOutOfRangeIsNeverSent) {
  FilterDialog* dialog = Dialog();
  QLineEdit* field = Edge(dialog, 101);  // entry 50, falling
  field->setText("256");                 // as if left there before the check ran
  Click(dialog, "cmdSetFilters");
  QCoreApplication::processEvents();
  ASSERT_EQ(prompts_.shown().size(), 1u);
  EXPECT_EQ(prompts_.shown()[0].detail, "Input 50 Falling holds 256.");  // which field
  EXPECT_EQ(Shown(), QStringList{kRangeMessage});
  EXPECT_EQ(QApplication::focusWidget(), field);
  EXPECT_EQ(field->selectedText(), "256");
  EXPECT_EQ(TickRequests(), QStringList());
  EXPECT_EQ(device_.Tables().filter_writes, 0);
}

TEST_F(FilterDialogTest, ClearDefaultCloseAndTheCloseBox) {
  FilterDialog* dialog = Dialog();
  Click(dialog, "chkRecord_3");
  Click(dialog, "cmdClearAll");
  EXPECT_EQ(Edges(dialog, {0, 1, 119}), (QStringList{"0", "0", "0"}));
  EXPECT_FALSE(Record(dialog, 3)->isChecked());
  Click(dialog, "cmdDefault");
  EXPECT_EQ(Edges(dialog, {0, 1, 119}), (QStringList{"5", "5", "5"}));
  Type(Edge(dialog, 2), "77");
  Click(dialog, "cmdClose");  // hidden, values kept
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(Dialog(), dialog);
  EXPECT_EQ(Edge(dialog, 2)->text(), "77");
  dialog->close();  // the close box unloads: the next opening starts from the defaults
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Edge(Dialog(), 2)->text(), "5");
  EXPECT_EQ(TickRequests(), QStringList());  // none of these buttons talks to the unit
}

TEST_F(FilterDialogTest, ASilentUnitAsksRetryOrCancelAndLeavesTheFields) {
  FilterDialog* dialog = Dialog();
  Type(Edge(dialog, 0), "9");
  device_.Model().Options().silent = true;
  prompts_.QueueAnswer(common::Answer::kRetry);
  prompts_.QueueAnswer(common::Answer::kCancel);
  Click(dialog, "cmdRetrieve");
  EXPECT_EQ(TickRequests(), (QStringList{"7D 0D 00 75", "7D 0D 00 75"}));
  ASSERT_FALSE(prompts_.shown().empty());
  EXPECT_TRUE(prompts_.shown()[0].detail.startsWith("The request was Get Values"));
  EXPECT_EQ(Shown(), (QStringList{"Communications Error: Rx Timeout Error!",
                                  "Communications Error: Rx Timeout Error!"}));
  EXPECT_EQ(Edge(dialog, 0)->text(), "9");
}

TEST_F(FilterDialogTest, AValueAbove255DoesNotKeepTheTechnicianFromLeaving) {
  const std::function<void(QWidget*)> ways_out[] = {
      [](QWidget* close) {  // a real click: events run between press and release
        QTest::mousePress(close, Qt::LeftButton, {}, QPoint(8, close->height() / 2));
        QCoreApplication::processEvents();
        QTest::mouseRelease(close, Qt::LeftButton, {}, QPoint(8, close->height() / 2));
      },
      [](QWidget* close) { QTest::keyClick(close->window(), Qt::Key_C, Qt::AltModifier); },
      [](QWidget* close) { QTest::keyClick(close->window()->focusWidget(), Qt::Key_Escape); },
  };
  for (const auto& leave : ways_out) {
    FilterDialog* dialog = Dialog();
    Type(Edge(dialog, 3), "300");
    leave(Find(dialog, "cmdClose"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isHidden(); }, 1000));
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), QStringList());
  }
  EXPECT_EQ(TickRequests(), QStringList());
  EXPECT_EQ(device_.Tables().filter_writes, 0);
}

}  // namespace
}  // namespace tessera::config
