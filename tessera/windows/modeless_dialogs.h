// Single-instance modeless windows opened from menu items: the first choice makes
// the window, later ones bring the same window forward.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace tessera::panel {

class ModelessDialogs : public QObject {
  Q_OBJECT
 public:
  // Makes the window; parent is the main window, so the window closes with it.
  using Factory = std::function<QWidget*(QWidget* parent)>;

  explicit ModelessDialogs(QWidget* owner);

  void Register(const QString& key, Factory factory);
  bool IsRegistered(const QString& key) const { return factories_.contains(key); }
  // Shows (making it first if needed) and raises the window; nullptr when nothing
  // is registered under the key.
  QWidget* Show(const QString& key);
  // The live window, or nullptr.
  QWidget* Instance(const QString& key) const;

 private:
  QWidget* owner_;
  QHash<QString, Factory> factories_;
  QHash<QString, QPointer<QWidget>> instances_;
};

}  // namespace tessera::panel
