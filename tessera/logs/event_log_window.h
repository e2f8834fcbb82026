// frmEventLog, "Diagnostic Event Log": reads the unit's event log (through the poll
// tick), shows each read decoded below the earlier ones, clears the unit's log or
// the window's text, and saves the text as a report.
#pragma once

#include "tessera/logs/log_window.h"

class QPushButton;

namespace tessera::logs {

class EventLogWindow : public LogWindow {
  Q_OBJECT
 public:
  EventLogWindow(TesseraApp& app, QWidget* parent = nullptr);

 private:
  void EnableRead(bool enabled);

  QPushButton* cmd_get_log_;
  QPushButton* cmd_clear_buffer_;
  QPushButton* cmd_clear_log_;
  QPushButton* cmd_save_;
};

}  // namespace tessera::logs
