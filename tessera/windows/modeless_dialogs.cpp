#include "tessera/windows/modeless_dialogs.h"

#include <utility>

#include "common/widgets/window_placement.h"

namespace tessera::panel {

ModelessDialogs::ModelessDialogs(QWidget* owner) : QObject(owner), owner_(owner) {}

void ModelessDialogs::Register(const QString& key, Factory factory) {
  factories_.insert(key, std::move(factory));
}

QWidget* ModelessDialogs::Show(const QString& key) {
  QWidget* window = Instance(key);
  if (window == nullptr) {
    auto factory = factories_.find(key);
    if (factory == factories_.end() || !*factory) return nullptr;
    window = (*factory)(owner_);
    if (window == nullptr) return nullptr;
    // Own top-level window, never modal: the panel keeps polling behind it.
    if (!window->isWindow()) window->setWindowFlag(Qt::Window, true);
    window->setWindowModality(Qt::NonModal);
    common::PlaceBesideMainWindow(window, owner_,
                                  window->objectName().isEmpty() ? key : window->objectName());
    instances_.insert(key, window);
  }
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

QWidget* ModelessDialogs::Instance(const QString& key) const {
  auto it = instances_.find(key);
  return it == instances_.end() ? nullptr : it->data();
}

}  // namespace tessera::panel
