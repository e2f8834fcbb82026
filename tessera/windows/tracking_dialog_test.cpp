// frmTracking driven with the mouse and keyboard against the simulated unit: its
// lists, the TrackData each choice gives, and the two 0x78 frames on the wire.
#include "tessera/windows/tracking_dialog.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>

#include "tessera/testing/window_harness.h"

namespace tessera::config {
namespace {

using panel::FeatureWindow;
using panel::testing::WindowTest;

constexpr char kFrameA[] = "78 0D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7A";

class TrackingDialogTest : public WindowTest {
 protected:
  TrackingDialog* Dialog() { return Open<TrackingDialog>(FeatureWindow::kInputTracking); }
};

TEST_F(TrackingDialogTest, LoadsClearedAndSendsTheClearedTable) {
  TrackingDialog* dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Input Tracking");
  EXPECT_EQ(Find<QGroupBox>(dialog, "fraTrack_7")->title(), "Track #8");
  auto* outputs = Find<QComboBox>(dialog, "cmbOutput_3");
  ASSERT_EQ(outputs->count(), 56);
  EXPECT_EQ(QStringList({outputs->itemText(0), outputs->itemText(1), outputs->itemText(2),
                         outputs->itemText(55)}),
            QStringList({"Off", "Active", "0", "53"}));
  auto* inputs = Find<QComboBox>(dialog, "cmbInput_3");
  ASSERT_EQ(inputs->count(), 60);
  EXPECT_EQ(inputs->itemText(59), "59");
  Click(dialog, "cmdSetTracking");
  // All "Off", input 0, not inverted: 7F 00 eight times, and frame B ends in 7A too.
  EXPECT_EQ(
      TickRequests(),
      (QStringList{kFrameA, "78 0D 00 08 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7A"}));
  EXPECT_EQ(device_.Tables().tracking.frame_order, (std::vector<std::uint8_t>{0x00, 0x08}));
}

TEST_F(TrackingDialogTest, EachChoiceGivesItsTwoBytes) {
  const struct {
    int track;
    const char* output;
    const char* input;
    bool invert;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {0, "53", "59", true, {0xB5, 0xBB}}, {1, "Active", "0", false, {0xB6, 0x00}},
      {2, "Off", "5", true, {0x7F, 0x85}},  // "Off" still carries the input byte
      {3, "0", "1", false, {0x80, 0x01}},  {7, "17", "42", false, {0x91, 0x2A}},
  };
  TrackingDialog* dialog = Dialog();
  for (const auto& c : cases) {
    Choose(dialog, QString("cmbOutput_%1").arg(c.track), c.output);
    Choose(dialog, QString("cmbInput_%1").arg(c.track), c.input);
    if (c.invert) Click(dialog, QString("chkInvert_%1").arg(c.track));
  }
  Click(dialog, "cmdSetTracking");
  Tick();
  const std::vector<std::uint8_t> table = device_.Tables().tracking.Table();
  ASSERT_EQ(table.size(), 16u);
  for (const auto& c : cases) {
    EXPECT_EQ(
        std::vector<std::uint8_t>(table.begin() + 2 * c.track, table.begin() + 2 * c.track + 2),
        c.bytes)
        << c.track;
  }
}

TEST_F(TrackingDialogTest, FrameBFollowsOnlyAFrameAWithTheExtendedAnswer) {
  const struct {
    sim::FrameAAnswer answer;
    int frames_sent;
  } cases[] = {{sim::FrameAAnswer::kSilent, 1},
               {sim::FrameAAnswer::kNoMarker, 1},
               {sim::FrameAAnswer::kNormal, 2}};
  TrackingDialog* dialog = Dialog();
  for (const auto& c : cases) {
    device_.Tables().frame_a_answer = c.answer;
    Click(dialog, "cmdSetTracking");
    const QStringList sent = TickRequests();
    ASSERT_EQ(sent.size(), c.frames_sent) << static_cast<int>(c.answer);
    EXPECT_EQ(sent[0], kFrameA);
  }
  EXPECT_TRUE(prompts_.shown().empty());  // no message in any case
}

TEST_F(TrackingDialogTest, TheNewestTableIsSentOnce) {
  TrackingDialog* dialog = Dialog();
  Click(dialog, "cmdSetTracking");
  Choose(dialog, "cmbOutput_0", "Active");
  Click(dialog, "cmdSetTracking");  // before the tick: rebuilt, still one load
  const QStringList sent = TickRequests();
  ASSERT_EQ(sent.size(), 2);
  EXPECT_TRUE(sent[1].startsWith("78 0D 00 08 B6 00 7F 00")) << sent[1].toStdString();
  EXPECT_EQ(TickRequests(), QStringList());
}

TEST_F(TrackingDialogTest, ClearCloseAndTheCloseBox) {
  TrackingDialog* dialog = Dialog();
  Choose(dialog, "cmbOutput_2", "12");
  Choose(dialog, "cmbInput_2", "33");
  Click(dialog, "chkInvert_2");
  Click(dialog, "cmdClose");
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(Dialog(), dialog);
  EXPECT_EQ(Find<QComboBox>(dialog, "cmbOutput_2")->currentText(), "12");
  Click(dialog, "cmdClear");
  EXPECT_EQ(Find<QComboBox>(dialog, "cmbOutput_2")->currentText(), "Off");
  EXPECT_EQ(Find<QComboBox>(dialog, "cmbInput_2")->currentText(), "0");
  EXPECT_FALSE(Find<QCheckBox>(dialog, "chkInvert_2")->isChecked());
  Choose(dialog, "cmbInput_2", "33");
  dialog->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Find<QComboBox>(Dialog(), "cmbInput_2")->currentText(), "0");
  EXPECT_EQ(TickRequests(), QStringList());
  // A screen reader hears the list's label and its choice.
  QAccessibleInterface* list =
      QAccessible::queryAccessibleInterface(Find<QComboBox>(Dialog(), "cmbOutput_4"));
  EXPECT_EQ(list->text(QAccessible::Value), "Off");
  QStringList labels;
  for (const auto& [label, relation] : list->relations(QAccessible::Label)) {
    labels << label->text(QAccessible::Name);
  }
  labels.sort();
  EXPECT_EQ(labels, (QStringList{"Output #", "Track #5"}));
  EXPECT_EQ(Unnamed(Dialog()), QStringList());
}

}  // namespace
}  // namespace tessera::config
