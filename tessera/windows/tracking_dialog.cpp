#include "tessera/windows/tracking_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/widgets/window_helpers.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/dialog_parts.h"

namespace tessera::config {

TrackingDialog::TrackingDialog(TesseraApp& app, QWidget* parent)
    : QWidget(parent, Qt::Window), app_(app) {
  setObjectName("frmTracking");
  setWindowTitle("Input Tracking");
  setAttribute(Qt::WA_DeleteOnClose);  // the close box unloads; "Close" only hides

  auto* column = new QVBoxLayout(this);
  auto* tracks = new QGridLayout;
  for (int t = 0; t < kTracks; ++t) {
    const QString caption = QString("Track #%1").arg(t + 1);
    auto* frame = new QGroupBox(caption, this);
    frame->setObjectName(common::ArrayName("fraTrack", t));
    frame->setAccessibleName(caption);
    auto* grid = new QGridLayout(frame);
    output_lists_[t] = AddList(grid, 0, "cmbOutput", t, "Output #", caption);
    input_lists_[t] = AddList(grid, 1, "cmbInput", t, "Input #", caption);
    invert_boxes_[t] = new QCheckBox("Invert", frame);
    invert_boxes_[t]->setObjectName(common::ArrayName("chkInvert", t));
    invert_boxes_[t]->setAccessibleName(caption + " Invert");
    grid->addWidget(invert_boxes_[t], 2, 0, 1, 2);
    tracks->addWidget(frame, t / 4, t % 4);
  }
  column->addLayout(tracks);

  auto* buttons = new QHBoxLayout;
  QPushButton* set = DialogButton("cmdSetTracking", "&Set Tracking", this);
  QPushButton* clear = DialogButton("cmdClear", "C&lear All", this);
  QPushButton* close = DialogButton("cmdClose", "&Close", this);
  buttons->addStretch();
  for (QPushButton* button : {set, clear, close}) buttons->addWidget(button);
  column->addLayout(buttons);
  connect(set, &QPushButton::clicked, this, &TrackingDialog::SetTracking);
  connect(clear, &QPushButton::clicked, this, &TrackingDialog::ClearAll);
  connect(close, &QPushButton::clicked, this, &QWidget::hide);
  MakeCloseButton(this, close);

  ClearAll();
  adjustSize();
  common::CentreOnScreen(this);
}

void TrackingDialog::ClearAll() {
  for (int t = 0; t < kTracks; ++t) {
    FillList(output_lists_[t], TrackOutputList());
    FillList(input_lists_[t], InputList());
    invert_boxes_[t]->setChecked(false);
  }
}

std::array<TrackFields, kTracks> TrackingDialog::Fields() const {
  std::array<TrackFields, kTracks> fields;
  for (int t = 0; t < kTracks; ++t) {
    fields[t] = {.output_position = output_lists_[t]->currentIndex(),
                 .input_position = input_lists_[t]->currentIndex(),
                 .inverted = invert_boxes_[t]->isChecked()};
  }
  return fields;
}

void TrackingDialog::SetTracking() {
  const auto fields = Fields();
  const FieldResult<TrackData> result = BuildTrackData(fields);
  if (!result.ok()) return;  // a list always has a selection; nothing to send without one
  // Pressed again before the tick: the newer table is the one sent.
  app_.State().tracks = *result.table;
  app_.session().Request(Request::kSendTracking);
}

}  // namespace tessera::config
