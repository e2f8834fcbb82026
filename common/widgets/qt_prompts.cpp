#include "common/widgets/qt_prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace common {

namespace {

QMessageBox::StandardButtons ToQt(Buttons buttons) {
  switch (buttons) {
    case Buttons::kOk:
      return QMessageBox::Ok;
    case Buttons::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::kRetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::kAbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case Buttons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case Buttons::kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon ToQt(Icon icon) {
  switch (icon) {
    case Icon::kNone:
      return QMessageBox::NoIcon;
    case Icon::kInformation:
      return QMessageBox::Information;
    case Icon::kWarning:
      return QMessageBox::Warning;
    case Icon::kCritical:
      return QMessageBox::Critical;
    case Icon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQt(Answer answer) {
  switch (answer) {
    case Answer::kOk:
      return QMessageBox::Ok;
    case Answer::kCancel:
      return QMessageBox::Cancel;
    case Answer::kRetry:
      return QMessageBox::Retry;
    case Answer::kAbort:
      return QMessageBox::Abort;
    case Answer::kIgnore:
      return QMessageBox::Ignore;
    case Answer::kYes:
      return QMessageBox::Yes;
    case Answer::kNo:
      return QMessageBox::No;
  }
  return QMessageBox::NoButton;
}

Answer FromQt(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return Answer::kCancel;
    case QMessageBox::Retry:
      return Answer::kRetry;
    case QMessageBox::Abort:
      return Answer::kAbort;
    case QMessageBox::Ignore:
      return Answer::kIgnore;
    case QMessageBox::Yes:
      return Answer::kYes;
    case QMessageBox::No:
      return Answer::kNo;
    default:
      return Answer::kOk;
  }
}

}  // namespace

QWidget* QtPrompts::Parent() const {
  // The window the technician works in: a box over a dialog returns the focus to
  // that dialog, not to the main window behind it.
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return parent_;
}

Answer QtPrompts::Show(const Message& message) {
  // A window that owns the box may not be active right now (a file dialog just closed).
  QWidget* owner = qobject_cast<QWidget*>(message.owner);
  QMessageBox box(ToQt(message.icon), message.title, message.text, ToQt(message.buttons),
                  owner != nullptr ? owner : Parent());
  if (message.default_answer) {
    if (QAbstractButton* button = box.button(ToQt(*message.default_answer))) {
      box.setDefaultButton(qobject_cast<QPushButton*>(button));
    }
  }
  if (!message.detail.isEmpty()) {
    box.setInformativeText(message.detail);
    // The OS's reason names a device path: wrapping would break it at its slashes.
    for (QLabel* label : box.findChildren<QLabel*>()) {
      if (label->text() == message.detail) label->setWordWrap(false);
    }
  }
  // A box shown while the hourglass is up must still get the normal pointer.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int button = box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  // Escape or the close button picks the escape button; map "no button" to Cancel.
  if (button == 0 && message.buttons != Buttons::kOk) return Answer::kCancel;
  return FromQt(button);
}

std::optional<QString> QtPrompts::OpenFile(const QString& title, const QString& dir,
                                           const QString& filter) {
  const QString path = QFileDialog::getOpenFileName(Parent(), title, dir, filter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompts::SaveFile(const QString& title, const QString& suggested,
                                           const QString& filter) {
  const QString path = QFileDialog::getSaveFileName(Parent(), title, suggested, filter);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompts::Ask(const QString& title, const QString& label,
                                      const QString& initial) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(Parent(), title, label, QLineEdit::Normal, initial, &ok);
  if (!ok) return std::nullopt;
  return text;
}

void QtPrompts::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace common
