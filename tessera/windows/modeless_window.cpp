#include "tessera/windows/modeless_window.h"

#include "common/widgets/window_placement.h"

namespace tessera::panel {

QWidget* ModelessWindow::Show(QWidget* owner, const QString& placement_name) {
  QWidget* window = instance_.data();
  if (window == nullptr) {
    if (!factory_) return nullptr;
    window = factory_(owner);
    if (window == nullptr) return nullptr;
    // Own top-level window, never modal: the panel keeps polling behind it.
    if (!window->isWindow()) window->setWindowFlag(Qt::Window, true);
    window->setWindowModality(Qt::NonModal);
    common::PlaceBesideMainWindow(
        window, owner, window->objectName().isEmpty() ? placement_name : window->objectName());
    instance_ = window;
  }
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace tessera::panel
