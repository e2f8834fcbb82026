// "Transition Buffer Log": polls the unit's transition buffer one
// numbered block per "Get Block" (through the poll tick), shows each block decoded
// below the earlier ones, clears the window's text and saves it as a report.
#pragma once

#include "tessera/windows/log_window.h"

class QPushButton;

namespace tessera::logs {

class TransitionWindow : public LogWindow {
  Q_OBJECT
 public:
  TransitionWindow(TesseraApp& app, QWidget* parent = nullptr);

 private:
  void GetBlock();

  QPushButton* get_block_button_;
};

}  // namespace tessera::logs
