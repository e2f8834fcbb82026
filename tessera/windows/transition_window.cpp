#include "tessera/windows/transition_window.h"

#include <QPushButton>

#include "common/widgets/window_helpers.h"
#include "tessera/core/transition_log.h"
#include "tessera/session/log_routines.h"
#include "tessera/session/tessera_app.h"

namespace tessera::logs {

TransitionWindow::TransitionWindow(TesseraApp& app, QWidget* parent)
    : LogWindow(app, kTransitionReport, "frmTransitions", parent) {
  get_block_button_ = AddButton("cmdGetBlock", "&Get Block");
  // Reading every block in one go is tessera-cli's "transitions --all"; here the two
  // buttons stay as the unit's window always had them, disabled.
  AddButton("cmdGetAllBlocks", "Get &All Blocks")->setEnabled(false);
  QPushButton* clear = AddButton("cmdClearLog", "Clear &Display Buffer");
  AddButton("cmdClearTBX", "Clear &TBX Buffer")->setEnabled(false);
  AddSaveButton();

  connect(get_block_button_, &QPushButton::clicked, this, &TransitionWindow::GetBlock);
  connect(clear, &QPushButton::clicked, this, &TransitionWindow::ClearDisplay);
  LogRoutines& routines = App().Logs();
  connect(&routines, &LogRoutines::PollTransitionStarted, this,
          [this] { get_block_button_->setEnabled(false); });
  connect(&routines, &LogRoutines::PollTransitionFinished, this, [this] {
    get_block_button_->setEnabled(true);
    if (isVisible()) get_block_button_->setFocus();
  });
  connect(&routines, &LogRoutines::TransitionBlockRead, this, &TransitionWindow::AppendRead);
  adjustSize();
  common::CentreOnScreen(this);
}

void TransitionWindow::GetBlock() {
  // The number advances whatever becomes of the poll: an unanswered block is not
  // asked for again, and after block 255 comes block 0.
  SessionState& state = App().State();
  state.transition_block = NextTransBlock(state.transition_block);
  App().session().Request(Request::kPollTransition);
  MarkUnsaved();
}

}  // namespace tessera::logs
