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
  chk_failures_only_ = add_check("chkFailuresOnly", "&Failures only",
                                 "List only time-outs, bad frames, refusals and lost bytes");
  chk_hide_routine_ =
      add_check("chkHideRoutine", "&Hide routine polls",
                "Leave out the requests the poll sends on its own and their good answers");
  bar->addStretch();
  cmd_pause_ = add_button("cmdPause", "&Pause");
  cmd_clear_ = add_button("cmdClear", "&Clear");
  cmd_save_as_ = add_button("cmdSaveAs", QStringLiteral("&Save As\u2026"));
  cmd_save_as_->setAccessibleName("Save As");
  cmd_save_as_->setToolTip("Save every record kept, whatever the filters show");
  connect(cmd_pause_, &QPushButton::clicked, this, &LinkTraceWindow::TogglePause);
  connect(cmd_clear_, &QPushButton::clicked, model_, &TraceModel::Clear);
  connect(cmd_save_as_, &QPushButton::clicked, this, &LinkTraceWindow::SaveAs);

  // A one-column table, not a list view: rows of one fixed height need no layout pass
  // over 100 000 rows each time a batch comes and the oldest go.
  lst_trace_ = new QTableView(this);
  lst_trace_->setObjectName("lstTrace");
  lst_trace_->setAccessibleName("Trace records");
  lst_trace_->setModel(model_);
  lst_trace_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  lst_trace_->horizontalHeader()->hide();
  lst_trace_->verticalHeader()->hide();
  lst_trace_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  lst_trace_->verticalHeader()->setDefaultSectionSize(lst_trace_->fontMetrics().height() + 2);
  lst_trace_->setShowGrid(false);
  lst_trace_->setWordWrap(false);
  lst_trace_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lst_trace_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lst_trace_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lst_trace_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  lst_trace_->setMinimumSize(720, 360);
  FitColumn();
  column->addWidget(lst_trace_, 1);

  auto* status = new QHBoxLayout;
  column->addLayout(status);
  lbl_count_ = new QLabel(this);
  lbl_count_->setObjectName("lblCount");
  lbl_saved_ = new QLabel(this);
  lbl_saved_->setObjectName("lblSaved");
  lbl_saved_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lbl_saved_->setAccessibleDescription("Where the trace was saved last");
  status->addWidget(lbl_count_);
  status->addStretch();
  status->addWidget(lbl_saved_);

  // Newest in view while the list was at its end; a technician reading further up
  // keeps the place.
  connect(model_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
    const QScrollBar* scroll = lst_trace_->verticalScrollBar();
    follow_ = scroll->value() >= scroll->maximum();
  });
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] {
    if (follow_) lst_trace_->scrollToBottom();
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
  const QFontMetrics metrics = lst_trace_->fontMetrics();
  const int text = metrics.horizontalAdvance(QString::fromStdString(model_->LongestText()));
  const int cell_margins = 4 * lst_trace_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
  const int width = std::max(text, metrics.horizontalAdvance(QLatin1Char('0')) * 80) + cell_margins;
  if (lst_trace_->columnWidth(0) != width) lst_trace_->setColumnWidth(0, width);
}

void LinkTraceWindow::ApplyFilter() {
  model_->SetFilter({.failures_only = chk_failures_only_->isChecked(),
                     .hide_routine = chk_hide_routine_->isChecked()});
  lst_trace_->scrollToBottom();
}

void LinkTraceWindow::TogglePause() {
  const bool pause = !model_->Paused();
  model_->SetPaused(pause);
  cmd_pause_->setText(pause ? "&Resume" : "&Pause");
  cmd_pause_->setAccessibleName(pause ? "Resume" : "Pause");
  if (!pause) lst_trace_->scrollToBottom();
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
  lbl_count_->setText(text);
  lbl_count_->setAccessibleName(text);
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
  lbl_saved_->setText(text);
  lbl_saved_->setAccessibleName(text);
}

}  // namespace common
