// A numeric text box of the configuration dialogs (txtEdge, the duration boxes):
// only digits go in, and leaving it with a value out of its range brings the focus
// back with the whole text selected and shows the range message.
#pragma once

#include <QLineEdit>

#include "tessera/config/field_rules.h"

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
  // Focus back into the field, the whole text selected, the range message shown.
  void Refuse();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  const FieldRange& range_;
  common::Prompts& prompts_;
  bool refusing_ = false;
};

}  // namespace tessera::config
