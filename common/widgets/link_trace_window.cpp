#include "common/widgets/link_trace_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "common/core/link_tap.h"
#include "common/qtcore/prompts.h"
#include "common/qtcore/save_text.h"
#include "common/widgets/trace_model.h"

namespace common {
namespace {

QString Plural(std::uint64_t n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

}  // namespace

LinkTraceWindow::LinkTraceWindow(LinkTap& tap, Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), tap_(tap), prompts_(prompts), model_(new TraceModel(this)) {
  setObjectName("frmLinkTrace");
  setWindowTitle(kTitle);
  setAccessibleName(kTitle);

  auto* column = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  column->addLayout(bar);
  const auto add_check = [this, bar](const char* name, const QString& caption, const QString& tip) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setAccessibleName(QString(caption).remove('&'));
    box->setToolTip(tip);
    bar->addWidget(box);
    connect(box, &QCheckBox::toggled, this, &LinkTraceWindow::ApplyFilter);
    return box;
  };
  const auto add_button = [this, bar](const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAccessibleName(QString(caption).remove('&'));
    bar->addWidget(button);
    return button;
  };
  failures_only_box_ = add_check("chkFailuresOnly", "&Failures only",
                                 "List only time-outs, bad frames, refusals and lost bytes");
  hide_routine_box_ =
      add_check("chkHideRoutine", "&Hide routine polls",
                "Leave out the requests the poll sends on its own and their good answers");
  bar->addStretch();
  pause_button_ = add_button("cmdPause", "&Pause");
  clear_button_ = add_button("cmdClear", "&Clear");
  save_as_button_ = add_button("cmdSaveAs", QStringLiteral("&Save As\u2026"));
  save_as_button_->setAccessibleName("Save As");
  save_as_button_->setToolTip("Save every record kept, whatever the filters show");
  connect(pause_button_, &QPushButton::clicked, this, &LinkTraceWindow::TogglePause);
  connect(clear_button_, &QPushButton::clicked, model_, &TraceModel::Clear);
  connect(save_as_button_, &QPushButton::clicked, this, &LinkTraceWindow::SaveAs);

  // A one-column table, not a list view: rows of one fixed height need no layout pass
  // over 100 000 rows each time a batch comes and the oldest go.
  trace_view_ = new QTableView(this);
  trace_view_->setObjectName("lstTrace");
  trace_view_->setAccessibleName("Trace records");
  trace_view_->setModel(model_);
  trace_view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  trace_view_->horizontalHeader()->hide();
  trace_view_->verticalHeader()->hide();
  trace_view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  trace_view_->verticalHeader()->setDefaultSectionSize(trace_view_->fontMetrics().height() + 2);
  trace_view_->setShowGrid(false);
  trace_view_->setWordWrap(false);
  trace_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  trace_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  trace_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  trace_view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  trace_view_->setMinimumSize(720, 360);
  FitColumn();
  column->addWidget(trace_view_, 1);

  auto* status = new QHBoxLayout;
  column->addLayout(status);
  count_label_ = new QLabel(this);
  count_label_->setObjectName("lblCount");
  saved_label_ = new QLabel(this);
  saved_label_->setObjectName("lblSaved");
  saved_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  saved_label_->setAccessibleDescription("Where the trace was saved last");
  status->addWidget(count_label_);
  status->addStretch();
  status->addWidget(saved_label_);

  // Newest in view while the list was at its end; a technician reading further up
  // keeps the place.
  connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
    const QScrollBar* scroll = trace_view_->verticalScrollBar();
    follow_ = scroll->value() >= scroll->maximum();
  });
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] {
    if (follow_) trace_view_->scrollToBottom();
  });
  connect(model_, &TraceModel::CountsChanged, this, [this] {
    FitColumn();
    ShowCounts();
  });
  ShowCounts();
  Listen(true);
}

LinkTraceWindow::~LinkTraceWindow() { Listen(false); }

void LinkTraceWindow::Listen(bool on) {
  if (on == listening_) return;
  listening_ = on;
  if (on) {
    tap_.AddListener(model_);
  } else {
    tap_.RemoveListener(model_);
  }
}

void LinkTraceWindow::showEvent(QShowEvent* event) {
  Listen(true);
  QWidget::showEvent(event);
}

void LinkTraceWindow::closeEvent(QCloseEvent* event) {
  // Closed, the window costs the link nothing; what it has stays for the next look.
  Listen(false);
  QWidget::closeEvent(event);
}

void LinkTraceWindow::FitColumn() {
  // As wide as the longest record listed so far, measured as drawn (the fixed font
  // may not be monospaced everywhere), so long answers scroll sideways whole.
  const QFontMetrics metrics = trace_view_->fontMetrics();
  const int text = metrics.horizontalAdvance(QString::fromStdString(model_->LongestText()));
  const int cell_margins = 4 * trace_view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
  const int width = std::max(text, metrics.horizontalAdvance(QLatin1Char('0')) * 80) + cell_margins;
  if (trace_view_->columnWidth(0) != width) trace_view_->setColumnWidth(0, width);
}

void LinkTraceWindow::ApplyFilter() {
  model_->SetFilter({.failures_only = failures_only_box_->isChecked(),
                     .hide_routine = hide_routine_box_->isChecked()});
  trace_view_->scrollToBottom();
}

void LinkTraceWindow::TogglePause() {
  const bool pause = !model_->Paused();
  model_->SetPaused(pause);
  pause_button_->setText(pause ? "&Resume" : "&Pause");
  pause_button_->setAccessibleName(pause ? "Resume" : "Pause");
  if (!pause) trace_view_->scrollToBottom();
}

QString LinkTraceWindow::CountText() const {
  const TraceModel& m = *model_;
  const bool filtered = m.CurrentFilter().failures_only || m.CurrentFilter().hide_routine;
  QString text = Plural(m.Kept(), "record", "records");
  if (filtered) text += QStringLiteral(", %1 shown").arg(m.rowCount());
  if (m.Evicted() > 0) text += QStringLiteral(", %1 older gone").arg(m.Evicted());
  if (m.Paused()) {
    text = QStringLiteral("Paused: %1 new waiting; ").arg(m.Waiting()) + text;
  }
  return text;
}

void LinkTraceWindow::ShowCounts() {
  const QString text = CountText();
  count_label_->setText(text);
  count_label_->setAccessibleName(text);
}

void LinkTraceWindow::SaveAs() {
  const std::optional<QString> path =
      prompts_.SaveFile(kSaveTitle, kFileName, "Text Files (*.txt);;All Files (*)");
  if (!path) return;
  std::optional<QString> error;
  std::size_t records = 0;
  {
    BusyGuard hourglass(prompts_);
    records = model_->Kept() + model_->Waiting();
    error = WriteWholeFile(*path, model_->FileText());
  }
  if (error) {
    prompts_.Show({.title = QCoreApplication::applicationName(),
                   .text = *error,
                   .buttons = Buttons::kOk,
                   .icon = Icon::kWarning,
                   .detail = *path,
                   .owner = this});
    return;
  }
  const QString text =
      QStringLiteral("Saved %1 to %2").arg(Plural(records, "record", "records"), *path);
  saved_label_->setText(text);
  saved_label_->setAccessibleName(text);
}

}  // namespace common
