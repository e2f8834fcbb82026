#include "tessera/windows/filter_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "common/widgets/window_helpers.h"
#include "tessera/session/config_routines.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/dialog_parts.h"
#include "tessera/windows/value_field.h"

namespace tessera::config {
namespace {

constexpr int kColumns = 4;
constexpr int kVisibleRows = 4;

QString EntryCaption(int i) {
  if (i == 54) return "Input 54 (Null)";
  if (i == 55) return "Input 55 (null)";
  if (i >= 56) return QString("Opto %1").arg(i - 55);
  return QString("Input %1").arg(i, 2, 10, QLatin1Char('0'));
}

}  // namespace

FilterDialog::FilterDialog(TesseraApp& app, QWidget* parent)
    : QWidget(parent, Qt::Window), app_(app) {
  setObjectName("frmFiltering");
  setWindowTitle("Input Filtering");
  setAttribute(Qt::WA_DeleteOnClose);  // the close box unloads; "Close" only hides

  auto* column = new QVBoxLayout(this);
  column->addWidget(BuildEntries(), 1);

  auto* buttons = new QHBoxLayout;
  QPushButton* get = DialogButton("cmdRetrieve", "&Get Values", this);
  QPushButton* set = DialogButton("cmdSetFilters", "&Set Filters", this);
  QPushButton* clear = DialogButton("cmdClearAll", "C&lear All", this);
  QPushButton* defaults = DialogButton("cmdDefault", "Set &Default", this);
  QPushButton* close = DialogButton("cmdClose", "&Close", this);
  for (QPushButton* button : {get, set, clear, defaults, close}) buttons->addWidget(button);
  column->addLayout(buttons);

  connect(get, &QPushButton::clicked, this,
          [this] { app_.session().Request(Request::kGetFilters); });
  connect(set, &QPushButton::clicked, this, &FilterDialog::SetFilters);
  connect(clear, &QPushButton::clicked, this, [this] { ShowFields(ClearedFilterFields()); });
  connect(defaults, &QPushButton::clicked, this, [this] { ShowFields(DefaultFilterFields()); });
  connect(close, &QPushButton::clicked, this, &QWidget::hide);
  MakeCloseButton(this, close);
  connect(&app_.Config(), &ConfigRoutines::FiltersRead, this,
          [this](const FilterTable& table) { ShowFields(FilterFieldsOf(table)); });

  // The two empty entries are still sent, just never shown.
  filter_frame_[54]->hide();
  filter_frame_[55]->hide();
  ShowFields(DefaultFilterFields());
  adjustSize();
  common::CentreOnScreen(this);
}

QWidget* FilterDialog::BuildEntries() {
  view_port_ = new QScrollArea(this);
  view_port_->setObjectName("fraViewPort");
  view_port_->setAccessibleName("Input filters");
  view_port_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view_port_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  view_port_->verticalScrollBar()->setObjectName("scrVScroll");
  view_port_->verticalScrollBar()->setAccessibleName("Scroll input filters");
  view_port_->setWidgetResizable(true);

  auto* container = new QWidget;
  container->setObjectName("fraContainer");
  container->setAccessibleName("Input filter entries");
  auto* grid = new QGridLayout(container);
  common::Prompts& prompts = app_.prompts();
  for (int i = 0; i < kFilterEntries; ++i) {
    const QString caption = EntryCaption(i);
    auto* frame = new QGroupBox(caption, container);
    frame->setObjectName(common::ArrayName("fraInputFilter", i));
    frame->setAccessibleName(caption);
    filter_frame_[i] = frame;
    auto* entry = new QGridLayout(frame);
    const char* edge_captions[] = {"Leading", "Falling"};
    const char* label_names[] = {"txtLeading", "txtFalling"};
    for (int e = 0; e < 2; ++e) {
      auto* label = new QLabel(edge_captions[e], frame);
      label->setObjectName(common::ArrayName(label_names[e], i));
      auto* field =
          new ValueField(common::ArrayName("txtEdge", 2 * i + e), kFilterRange, prompts, frame);
      field->setAccessibleName(caption + " " + edge_captions[e]);
      field->setMaximumWidth(field->fontMetrics().horizontalAdvance("00000") + 12);
      label->setBuddy(field);
      label->setAccessibleName(edge_captions[e]);
      edge_fields_[2 * i + e] = field;
      entry->addWidget(label, e, 0);
      entry->addWidget(field, e, 1);
    }
    auto* record = new QCheckBox("Record", frame);
    record->setObjectName(common::ArrayName("chkRecord", i));
    record->setAccessibleName(caption + " Record");
    record_boxes_[i] = record;
    entry->addWidget(record, 2, 0, 1, 2);
    grid->addWidget(frame, i / kColumns, i % kColumns);
  }
  view_port_->setWidget(container);
  // Room for a few rows; the scroll bar brings the others into view.
  const int row_height = filter_frame_[0]->sizeHint().height() + grid->verticalSpacing();
  view_port_->setMinimumHeight(kVisibleRows * row_height);
  view_port_->setMinimumWidth(container->sizeHint().width() +
                              view_port_->verticalScrollBar()->sizeHint().width() + 4);
  return view_port_;
}

FilterFields FilterDialog::Fields() const {
  FilterFields fields;
  for (int k = 0; k < 2 * kFilterEntries; ++k)
    fields.edge_texts[k] = edge_fields_[k]->text().toStdString();
  for (int i = 0; i < kFilterEntries; ++i) fields.recorded[i] = record_boxes_[i]->isChecked();
  return fields;
}

void FilterDialog::ShowFields(const FilterFields& fields) {
  for (int k = 0; k < 2 * kFilterEntries; ++k) {
    edge_fields_[k]->setText(QString::fromStdString(fields.edge_texts[k]));
  }
  for (int i = 0; i < kFilterEntries; ++i) record_boxes_[i]->setChecked(fields.recorded[i]);
}

void FilterDialog::SetFilters() {
  const FieldResult<FilterTable> result = FilterTableOf(Fields());
  if (!result.ok()) {
    // A value out of range is never sent: the technician corrects it first.
    ValueField* field = edge_fields_[result.error->index];
    view_port_->ensureWidgetVisible(field);
    field->Refuse();
    return;
  }
  app_.State().filters = FilterDataOf(*result.table);
  app_.session().Request(Request::kSendFilters);
}

}  // namespace tessera::config
