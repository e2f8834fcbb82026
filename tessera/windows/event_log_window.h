// "Diagnostic Event Log": reads the unit's event log (through the poll
// tick), shows each read decoded below the earlier ones, clears the unit's log or
// the window's text, and saves the text as a report.
#pragma once

#include "tessera/windows/log_window.h"

class QProgressBar;
class QPushButton;

namespace tessera::logs {

class EventLogWindow : public LogWindow {
  Q_OBJECT
 public:
  EventLogWindow(TesseraApp& app, QWidget* parent = nullptr);

 private:
  void EnableRead(bool enabled);
  // "Clear TBX Buffer" erases what only the unit holds: asked first, No by default.
  bool ConfirmClear();
  void ShowProgress(int received, int total);

  QPushButton* get_log_button_;
  QPushButton* clear_buffer_button_;
  QPushButton* clear_log_button_;
  QPushButton* save_button_;
  QProgressBar* read_progress_;  // records in, of how many, while a read runs
};

}  // namespace tessera::logs
