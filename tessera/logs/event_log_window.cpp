#include "tessera/logs/event_log_window.h"

#include <QPushButton>

#include "common/window_helpers.h"
#include "tessera/logs/log_routines.h"
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
    session.Request(panel::Request::kReadEvents);
    MarkUnsaved();
  });
  connect(cmd_clear_buffer_, &QPushButton::clicked, this, &EventLogWindow::ClearDisplay);
  // The unit's log is cleared; what the window shows stays as it is.
  connect(cmd_clear_log_, &QPushButton::clicked, this,
          [&session] { session.Request(panel::Request::kClearEvents); });

  LogRoutines& routines = App().Logs();
  connect(&routines, &LogRoutines::ReadEventsStarted, this, [this] { EnableRead(false); });
  connect(&routines, &LogRoutines::ReadEventsFinished, this, [this] { EnableRead(true); });
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

void EventLogWindow::EnableRead(bool enabled) {
  // No second read, clear or save while a read is under way.
  for (QPushButton* button : {cmd_get_log_, cmd_clear_buffer_, cmd_clear_log_, cmd_save_}) {
    button->setEnabled(enabled);
  }
}

}  // namespace tessera::logs
