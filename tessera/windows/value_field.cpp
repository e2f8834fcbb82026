#include "tessera/windows/value_field.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QTimer>

#include "common/qtcore/prompts.h"

namespace tessera::config {

ValueField::ValueField(const QString& object_name, const FieldRange& range,
                       common::Prompts& prompts, QWidget* parent)
    : QLineEdit(parent), range_(range), prompts_(prompts) {
  setObjectName(object_name);
  // Pasted or dropped text must be digits too.
  setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this));
  setContextMenuPolicy(Qt::NoContextMenu);
}

bool ValueField::OutOfRange() const { return RangeError(text().toStdString(), range_).has_value(); }

void ValueField::Refuse() {
  if (refusing_) return;
  refusing_ = true;
  setFocus(Qt::OtherFocusReason);
  selectAll();
  prompts_.Show({.title = QStringLiteral("Tessera"),
                 .text = QString::fromLatin1(range_.message.data(),
                                             static_cast<qsizetype>(range_.message.size())),
                 .buttons = common::Buttons::kOk,
                 .icon = common::Icon::kNone,
                 .detail = QStringLiteral("%1 holds %2.").arg(accessibleName(), text())});
  refusing_ = false;
}

void ValueField::keyPressEvent(QKeyEvent* event) {
  // Of the characters typed only digits are taken; pasting is a key too, and could
  // bring anything. Editing and moving keys (Backspace, Delete, arrows, Home, the
  // Ctrl combinations that select, copy and undo) work as usual.
  const QString text = event->text();
  // Ctrl with a letter is a command, whatever text the platform gives it (AltGr,
  // which types characters, comes as Ctrl+Alt).
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool command = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
  const bool typed = !command && text.size() == 1 && text[0].isPrint();
  if (event->matches(QKeySequence::Paste) ||
      (typed && !IsFieldKey(static_cast<char>(text[0].toLatin1())))) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void ValueField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A message box or another window taking the focus is not the field being left.
  if (refusing_ || event->reason() == Qt::ActiveWindowFocusReason ||
      event->reason() == Qt::PopupFocusReason || !OutOfRange()) {
    return;
  }
  // Taking the focus back while it is still moving away confuses the widget it is
  // moving to: do it once the move is over.
  QTimer::singleShot(0, this, [this] {
    // The dialog may have refused a field itself meanwhile (a click on "Set"), and its
    // box may still be up; a technician on the way out is not held back.
    const QWidget* to = QApplication::focusWidget();
    if (refusing_ || !isVisible() || hasFocus() || !OutOfRange()) return;
    if (close_control_ != nullptr && to == close_control_) return;
    Refuse();
  });
}

}  // namespace tessera::config
