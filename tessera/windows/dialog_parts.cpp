#include "tessera/windows/dialog_parts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include "common/widgets/window_helpers.h"
#include "tessera/windows/value_field.h"

namespace tessera::config {

QPushButton* DialogButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAccessibleName(QString(caption).remove('&'));
  return button;
}

void MakeCloseButton(QWidget* window, QPushButton* close) {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  QObject::connect(escape, &QShortcut::activated, close, &QPushButton::click);
  for (ValueField* field : window->findChildren<ValueField*>()) field->SetCloseControl(close);
}

QComboBox* AddList(QGridLayout* grid, int row, const QString& base, int index, const QString& label,
                   const QString& frame_caption) {
  QWidget* frame = grid->parentWidget();
  auto* text = new QLabel(label, frame);
  text->setAccessibleName(label);
  auto* list = new QComboBox(frame);
  list->setObjectName(common::ArrayName(base, index));
  list->setAccessibleName(frame_caption + " " + label);
  list->setMaxVisibleItems(20);
  text->setBuddy(list);
  grid->addWidget(text, row, 0);
  grid->addWidget(list, row, 1);
  return list;
}

void FillList(QComboBox* list, const std::vector<std::string>& entries) {
  list->clear();
  for (const std::string& entry : entries) list->addItem(QString::fromStdString(entry));
  list->setCurrentIndex(0);
}

}  // namespace tessera::config
