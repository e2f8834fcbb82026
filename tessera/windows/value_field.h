// A numeric text box of the configuration dialogs (filter values, durations):
// only digits go in, and leaving it with a value out of its range brings the focus
// back with the whole text selected and shows the range message.
#pragma once

#include <QLineEdit>
#include <QPointer>

#include "tessera/core/field_rules.h"

namespace common {
class Prompts;
}

namespace tessera::config {

class ValueField : public QLineEdit {
  Q_OBJECT
 public:
  ValueField(const QString& object_name, const FieldRange& range, common::Prompts& prompts,
             QWidget* parent = nullptr);

  // The field's value is out of range.
  bool OutOfRange() const;
  // Focus back into the field, the whole text selected, the range message shown
  // (naming the field); nothing when a range message is already up.
  void Refuse();
  // The control that closes the window: moving to it is leaving the window, not the
  // field, so the value is not checked (it is never sent either).
  void SetCloseControl(QWidget* control) { close_control_ = control; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  const FieldRange& range_;
  common::Prompts& prompts_;
  QPointer<QWidget> close_control_;
  // A range message is up, over whichever field: the boxes are modal, and a second
  // one for the same mistake would only stack on the first.
  static inline bool refusing_ = false;
};

}  // namespace tessera::config
