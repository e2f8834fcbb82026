#include "common/widgets/screen_log.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QTimer>
#include <QWidget>

#include "common/widgets/indicator.h"
#include "common/widgets/picture.h"

namespace common {

ScreenLog::ScreenLog(QWidget* window, const QString& path) : window_(window) {
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return;
  Snapshot();
}

std::unique_ptr<ScreenLog> ScreenLog::FromEnvironment(QWidget* window) {
  const QString path = qEnvironmentVariable("CABINET_SCREEN_LOG");
  if (path.isEmpty()) return nullptr;
  auto log = std::make_unique<ScreenLog>(window, path);
  if (!log->Ok()) return nullptr;
  return log;
}

void ScreenLog::Follow(QObject* source) {
  const QMetaMethod schedule = metaObject()->method(metaObject()->indexOfSlot("Schedule()"));
  const QMetaObject* meta = source->metaObject();
  for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
    const QMetaMethod method = meta->method(i);
    if (method.methodType() == QMetaMethod::Signal) connect(source, method, this, schedule);
  }
}

void ScreenLog::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    scheduled_ = false;
    Snapshot();
  });
}

std::optional<QString> ScreenLog::Shown(QWidget* widget) const {
  QString shown;
  if (auto* indicator = qobject_cast<Indicator*>(widget)) {
    shown = (indicator->Filled() ? QStringLiteral("on ") : QStringLiteral("off ")) +
            indicator->Colour().name();
  } else if (auto* picture = qobject_cast<Picture*>(widget)) {
    shown = picture->Shown() ? QStringLiteral("shown") : QStringLiteral("hidden");
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    shown = label->text();
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    shown = edit->text();
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    if (!button->isCheckable()) return std::nullopt;
    shown = button->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked");
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    shown = group->title();
  } else {
    return std::nullopt;
  }
  if (!widget->isVisibleTo(window_) && !qobject_cast<Picture*>(widget)) {
    shown += QStringLiteral(" [hidden]");
  }
  if (!widget->isEnabled()) shown += QStringLiteral(" [disabled]");
  return shown;
}

void ScreenLog::Snapshot() {
  if (!file_.isOpen()) return;
  const qint64 now_us = QDateTime::currentMSecsSinceEpoch() * 1000;
  const QString stamp = QStringLiteral("t=%1.%2 ")
                            .arg(now_us / 1000000)
                            .arg(now_us % 1000000, 6, 10, QLatin1Char('0'));
  QByteArray out;
  const auto note = [&](const QString& name, const QString& shown) {
    auto it = last_.find(name);
    if (it != last_.end() && *it == shown) return;
    last_.insert(name, shown);
    out += (stamp + name + '=' + shown + '\n').toUtf8();
  };
  note(QStringLiteral("title"), window_->windowTitle());
  for (QWidget* widget : window_->findChildren<QWidget*>()) {
    if (widget->objectName().isEmpty() || widget->isWindow()) continue;
    if (const auto shown = Shown(widget)) note(widget->objectName(), *shown);
  }
  if (!out.isEmpty()) {
    file_.write(out);
    file_.flush();
  }
}

}  // namespace common
