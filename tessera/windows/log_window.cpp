#include "tessera/windows/log_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/qtcore/prompts.h"
#include "common/widgets/window_helpers.h"
#include "tessera/session/report_file.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/log_view.h"

namespace tessera::logs {
namespace {

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// "Report Files (*.TXT);;All Files (*.*)": report files first.
QString ReportFilterText() {
  QStringList filters;
  for (const ReportFilter& filter : kReportFilters) filters << Latin1(filter.description);
  return filters.join(";;");
}

}  // namespace

LogWindow::LogWindow(TesseraApp& app, const ReportWindow& texts, const QString& object_name,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), app_(app), texts_(texts) {
  setObjectName(object_name);
  setWindowTitle(Latin1(texts_.unsaved_caption));
  column_ = new QVBoxLayout(this);
  buttons_ = new QHBoxLayout;
  column_->addLayout(buttons_);
  view_ = new LogView(this);
  view_->setAccessibleName(Latin1(texts_.caption_base));
  view_->setMinimumSize(560, 320);
  column_->addWidget(view_, 1);
}

QPushButton* LogWindow::AddButton(const QString& name, const QString& caption) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(name);
  button->setAccessibleName(QString(caption).remove('&'));
  buttons_->addWidget(button);
  return button;
}

QPushButton* LogWindow::AddSaveButton() {
  auto* button = new QPushButton(this);
  button->setObjectName("cmdSave");
  button->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  button->setAccessibleName("Save");
  button->setToolTip("Save");
  buttons_->addStretch();
  buttons_->addWidget(button);
  connect(button, &QPushButton::clicked, this, &LogWindow::Save);
  return button;
}

void LogWindow::AppendRead(const std::string& decoded) {
  const bool separate = !log_text_.Empty();
  log_text_.Append(decoded);
  view_->AppendRead(decoded, separate);
}

void LogWindow::ClearDisplay() {
  log_text_.Clear();
  view_->ClearAll();
  MarkUnsaved();
}

void LogWindow::MarkUnsaved() { setWindowTitle(Latin1(texts_.unsaved_caption)); }

void LogWindow::Save() {
  common::Prompts& prompts = app_.prompts();
  // Every save starts from "Untitled.txt"; the dialog asks before replacing a file.
  const std::optional<QString> path =
      prompts.SaveFile(Latin1(texts_.dialog_title), Latin1(kReportFileName), ReportFilterText());
  if (!path) return;
  if (SaveReport(prompts, *path, log_text_.Text(), this)) {
    setWindowTitle(QString::fromStdString(SavedCaption(texts_, path->toStdString())));
  }
}

void LogWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

}  // namespace tessera::logs
