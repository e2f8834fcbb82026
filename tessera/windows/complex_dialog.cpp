#include "tessera/windows/complex_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "common/widgets/window_helpers.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/dialog_parts.h"
#include "tessera/windows/value_field.h"

namespace tessera::config {

ComplexDialog::ComplexDialog(TesseraApp& app, QWidget* parent)
    : QWidget(parent, Qt::Window), app_(app) {
  setObjectName("frmComplex");
  setWindowTitle("Complex Outputs");
  setAttribute(Qt::WA_DeleteOnClose);  // the close box unloads; "Close" only hides

  auto* column = new QVBoxLayout(this);
  // Eight outputs of twelve rows each are taller than a small laptop screen: they
  // scroll, the buttons below them stay in view.
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("fraOutputs");
  scroll->setAccessibleName("Complex outputs");
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidgetResizable(true);
  auto* container = new QWidget;
  auto* outputs = new QGridLayout(container);
  for (int c = 0; c < kComplexOutputs; ++c) {
    const QString caption = QString("Complex Output #%1").arg(c + 1);
    auto* frame = new QGroupBox(caption, container);
    frame->setObjectName(common::ArrayName("fraTrack", c));
    frame->setAccessibleName(caption);
    auto* grid = new QGridLayout(frame);
    output_lists_[c] = AddList(grid, 0, "cmbOutput", c, "Output #", caption);
    input_lists_[c] = AddList(grid, 1, "cmbInput", c, "Input #", caption);
    const struct {
      const char* name;
      const char* label;
      std::array<ValueField*, kComplexOutputs>& fields;
    } durations[] = {{"txtPrimaryDuration", "Primary", primary_fields_},
                     {"txtSecondaryDuration", "Secondary", secondary_fields_}};
    int row = 2;
    for (const auto& d : durations) {
      auto* label = new QLabel(d.label, frame);
      label->setAccessibleName(d.label);
      auto* field =
          new ValueField(common::ArrayName(d.name, c), kDurationRange, app_.prompts(), frame);
      field->setAccessibleName(caption + " " + d.label);
      field->setMaximumWidth(field->fontMetrics().horizontalAdvance("0000000") + 12);
      label->setBuddy(field);
      d.fields[c] = field;
      grid->addWidget(label, row, 0);
      grid->addWidget(field, row++, 1);
    }
    for (int b = 0; b < kComplexFlags; ++b) {
      const QString flag = QString::fromLatin1(ComplexFlagCaption(c, b));
      auto* box = new QCheckBox(flag, frame);
      box->setObjectName(common::ArrayName("chkControl", kComplexFlags * c + b));
      box->setAccessibleName(caption + " " + flag.trimmed());
      control_boxes_[kComplexFlags * c + b] = box;
      grid->addWidget(box, row++, 0, 1, 2);
    }
    outputs->addWidget(frame, c / 4, c % 4);
  }
  scroll->setWidget(container);
  const QSize whole = container->sizeHint();
  const int frame_width = 2 * scroll->frameWidth();
  scroll->setMinimumWidth(whole.width() + frame_width +
                          scroll->verticalScrollBar()->sizeHint().width());
  scroll->setMinimumHeight(whole.height() / 4);
  column->addWidget(scroll, 1);

  auto* buttons = new QHBoxLayout;
  QPushButton* set = DialogButton("cmdSetComplex", "&Set Complex", this);
  QPushButton* clear = DialogButton("cmdClear", "C&lear All", this);
  QPushButton* close = DialogButton("cmdClose", "&Close", this);
  buttons->addStretch();
  for (QPushButton* button : {set, clear, close}) buttons->addWidget(button);
  column->addLayout(buttons);
  connect(set, &QPushButton::clicked, this, &ComplexDialog::SetComplex);
  connect(clear, &QPushButton::clicked, this, &ComplexDialog::ClearAll);
  connect(close, &QPushButton::clicked, this, &QWidget::hide);
  MakeCloseButton(this, close);

  ClearAll();
  // Every output in view where the screen is tall enough; else as tall as it allows
  // (less the title bar).
  const int rest = sizeHint().height() - scroll->sizeHint().height();
  QSize size(sizeHint().width(), rest + whole.height() + frame_width);
  if (const QScreen* screen = this->screen()) {
    size = size.boundedTo(screen->availableGeometry().size() - QSize(0, kTitleBarAllowance));
  }
  resize(size.expandedTo(minimumSizeHint()));
  common::CentreOnScreen(this);
}

void ComplexDialog::ClearAll() {
  for (int c = 0; c < kComplexOutputs; ++c) {
    FillList(output_lists_[c], ComplexOutputList());
    FillList(input_lists_[c], InputList());
    primary_fields_[c]->setText("0");
    secondary_fields_[c]->setText("0");
  }
  for (QCheckBox* box : control_boxes_) box->setChecked(false);
}

std::array<ComplexFields, kComplexOutputs> ComplexDialog::Fields() const {
  std::array<ComplexFields, kComplexOutputs> fields;
  for (int c = 0; c < kComplexOutputs; ++c) {
    ComplexFields& f = fields[c];
    f.output_position = output_lists_[c]->currentIndex();
    f.input_position = input_lists_[c]->currentIndex();
    f.primary_text = primary_fields_[c]->text().toStdString();
    f.secondary_text = secondary_fields_[c]->text().toStdString();
    for (int b = 0; b < kComplexFlags; ++b) {
      f.control_flags[b] = control_boxes_[kComplexFlags * c + b]->isChecked();
    }
  }
  return fields;
}

void ComplexDialog::SetComplex() {
  const auto fields = Fields();
  const FieldResult<ComplexData> result = BuildComplexData(fields);
  if (!result.ok()) {
    // A duration out of range never reaches the table: the technician corrects it.
    const FieldError& error = *result.error;
    if (error.field == "txtPrimaryDuration") primary_fields_[error.index]->Refuse();
    if (error.field == "txtSecondaryDuration") secondary_fields_[error.index]->Refuse();
    return;
  }
  // Pressed again before the tick: the newer table is the one sent.
  app_.State().complex_outputs = *result.table;
  app_.session().Request(Request::kSendComplex);
}

}  // namespace tessera::config
