// The main window's Help items "&Firmware Update" and "Flash &Tools": they run the
// update procedure and the single loader operations once the link is idle, and hand
// the window what it shows of them: loader mode, and the phase with its progress.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "tessera/core/flash_tool_texts.h"
#include "tessera/session/flash_loader.h"
#include "tessera/session/update_procedure.h"

namespace tessera::panel {
class MainWindow;
}

namespace tessera::flash {

class FlashMenu : public QObject {
  Q_OBJECT
 public:
  // Hooks the items into `window`; owned by it.
  explicit FlashMenu(panel::MainWindow& window);

  FlashLoader& Loader() { return loader_; }
  UpdateProcedure& Procedure() { return procedure_; }

  // "&Firmware Update".
  void RunUpdate();
  // Flash Tools item `index`; an index outside 0-6 does nothing.
  void RunFlashTool(int index);

 private:
  // Both run from the poll loop once no tick or exchange is in progress; the items
  // stay disabled until the operation is over.
  void WhenIdle(std::function<void()> operation);
  // Erase asks first, naming the unit; No is the default.
  bool ConfirmErase();
  void ShowBox(const ToolBox& box);

  panel::MainWindow& window_;
  FlashLoader loader_;
  UpdateProcedure procedure_;
  bool busy_ = false;
  QString phase_text_;  // the update's phase, kept for the progress updates
};

}  // namespace tessera::flash
