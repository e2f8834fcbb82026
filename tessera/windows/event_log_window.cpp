#include "tessera/windows/event_log_window.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/qtcore/prompts.h"
#include "common/widgets/window_helpers.h"
#include "tessera/core/event_log.h"
#include "tessera/core/unit_address.h"
#include "tessera/session/log_routines.h"
#include "tessera/session/tessera_app.h"

namespace tessera::logs {

EventLogWindow::EventLogWindow(TesseraApp& app, QWidget* parent)
    : LogWindow(app, kEventLogReport, "frmEventLog", parent) {
  cmd_get_log_ = AddButton("cmdGetLog", "&Get Log");
  cmd_clear_buffer_ = AddButton("cmdClearBuffer", "Clear &Display Buffer");
  cmd_clear_log_ = AddButton("cmdClearLog", "Clear &TBX Buffer");
  cmd_save_ = AddSaveButton();

  Session& session = App().session();
  connect(cmd_get_log_, &QPushButton::clicked, this, [this, &session] {
    session.Request(tessera::Request::kReadEvents);
    MarkUnsaved();
  });
  connect(cmd_clear_buffer_, &QPushButton::clicked, this, &EventLogWindow::ClearDisplay);
  // The unit's log is cleared; what the window shows stays as it is.
  connect(cmd_clear_log_, &QPushButton::clicked, this, [this, &session] {
    if (ConfirmClear()) session.Request(tessera::Request::kClearEvents);
  });

  // A full log is over two minutes on the wire: say how far it is.
  read_progress_ = new QProgressBar(this);
  read_progress_->setObjectName("prgReadLog");
  read_progress_->setAccessibleName("Event log read");
  read_progress_->hide();
  Column()->addWidget(read_progress_);

  LogRoutines& routines = App().Logs();
  connect(&routines, &LogRoutines::ReadEventsStarted, this, [this] {
    EnableRead(false);
    // Busy until the unit's header says how many records come.
    read_progress_->setRange(0, 0);
    read_progress_->setFormat("Waiting for the unit");
    read_progress_->show();
  });
  connect(&routines, &LogRoutines::ReadEventsProgress, this, &EventLogWindow::ShowProgress);
  connect(&routines, &LogRoutines::ReadEventsFinished, this, [this] {
    read_progress_->hide();
    EnableRead(true);
  });
  connect(&routines, &LogRoutines::EventsRead, this, &EventLogWindow::AppendRead);
  connect(&routines, &LogRoutines::ClearEventsStarted, this, [this] {
    cmd_get_log_->setEnabled(false);
    cmd_clear_buffer_->setEnabled(false);
  });
  connect(&routines, &LogRoutines::ClearEventsFinished, this, [this] {
    cmd_get_log_->setEnabled(true);
    cmd_clear_buffer_->setEnabled(true);
  });
  adjustSize();
  common::CentreOnScreen(this);
}

bool EventLogWindow::ConfirmClear() {
  const std::string unit = UnitAddressLayout(App().State().identity.UnitAddress).caption;
  common::Message question;
  question.title = QString::fromLatin1(kEventsClearedTitle.data(), kEventsClearedTitle.size());
  question.text =
      QStringLiteral("Erase the event log stored in %1?").arg(QString::fromStdString(unit));
  question.detail = "Its records cannot be read afterwards; this window's text stays.";
  question.buttons = common::Buttons::kYesNo;
  question.icon = common::Icon::kQuestion;
  question.default_answer = common::Answer::kNo;
  question.owner = this;
  return App().prompts().Show(question) == common::Answer::kYes;
}

void EventLogWindow::ShowProgress(int received, int total) {
  read_progress_->setRange(0, std::max(total, 1));
  read_progress_->setValue(total == 0 ? 1 : received);
  read_progress_->setFormat(QStringLiteral("%1 of %2 records").arg(received).arg(total));
}

void EventLogWindow::EnableRead(bool enabled) {
  // No second read, clear or save while a read is under way.
  for (QPushButton* button : {cmd_get_log_, cmd_clear_buffer_, cmd_clear_log_, cmd_save_}) {
    button->setEnabled(enabled);
  }
}

}  // namespace tessera::logs
