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
  get_log_button_ = AddButton("cmdGetLog", "&Get Log");
  clear_buffer_button_ = AddButton("cmdClearBuffer", "Clear &Display Buffer");
  clear_log_button_ = AddButton("cmdClearLog", "Clear &TBX Buffer");
  save_button_ = AddSaveButton();

  Session& session = App().session();
  connect(get_log_button_, &QPushButton::clicked, this, [this, &session] {
    session.Request(Request::kReadEvents);
    MarkUnsaved();
  });
  connect(clear_buffer_button_, &QPushButton::clicked, this, &EventLogWindow::ClearDisplay);
  // The unit's log is cleared; what the window shows stays as it is.
  connect(clear_log_button_, &QPushButton::clicked, this, [this, &session] {
    if (ConfirmClear()) session.Request(Request::kClearEvents);
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
    get_log_button_->setEnabled(false);
    clear_buffer_button_->setEnabled(false);
  });
  connect(&routines, &LogRoutines::ClearEventsFinished, this, [this] {
    get_log_button_->setEnabled(true);
    clear_buffer_button_->setEnabled(true);
  });
  adjustSize();
  common::CentreOnScreen(this);
}

bool EventLogWindow::ConfirmClear() {
  const std::string unit = UnitAddressLayout(App().State().identity.unit_address).caption;
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
  for (QPushButton* button :
       {get_log_button_, clear_buffer_button_, clear_log_button_, save_button_}) {
    button->setEnabled(enabled);
  }
}

}  // namespace tessera::logs
