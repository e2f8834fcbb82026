// Writes what a window shows to a file as it changes, one line per control that
// changed: "t=<unix seconds> <object name>=<what it shows>". End-to-end checks and
// the soak benchmark read it to tell what the technician saw and when; it is off
// unless CABINET_SCREEN_LOG names the file.
#pragma once

#include <QFile>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class QWidget;

namespace common {

class ScreenLog : public QObject {
  Q_OBJECT
 public:
  // Appends to `path`; Ok() is false when it cannot be written.
  ScreenLog(QWidget* window, const QString& path);
  // The log the environment asks for, or nullptr.
  static std::unique_ptr<ScreenLog> FromEnvironment(QWidget* window);

  bool Ok() const { return file_.isOpen(); }
  // Looks again after each signal of `source` (everything a window shows comes from
  // its session), once the event loop has let the window redraw.
  void Follow(QObject* source);
  // Writes every control whose text or state differs from the last line written.
  void Snapshot();

 private slots:
  void Schedule();

 private:
  // What the control shows; nullopt for controls that show nothing that changes.
  std::optional<QString> Shown(QWidget* widget) const;

  QWidget* window_;
  QFile file_;
  QHash<QString, QString> last_;
  bool scheduled_ = false;
};

}  // namespace common
