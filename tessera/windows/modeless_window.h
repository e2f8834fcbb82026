// A window opened from a menu item, one at a time: the first choice makes it, later
// ones bring the same window forward.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace tessera::panel {

class ModelessWindow {
 public:
  // Makes the window; parent is the main window, so the window closes with it.
  using Factory = std::function<QWidget*(QWidget* parent)>;

  void SetFactory(Factory factory) { factory_ = std::move(factory); }
  // Shows (making it first if needed) and raises the window; nullptr when there is
  // nothing to make. A window without a name of its own is placed under
  // `placement_name`.
  QWidget* Show(QWidget* owner, const QString& placement_name);
  // The live window, or nullptr.
  QWidget* Instance() const { return instance_.data(); }

 private:
  Factory factory_;
  QPointer<QWidget> instance_;
};

}  // namespace tessera::panel
