// Prompts shown with real message boxes and file dialogs, over the window the
// technician is working in (the main window when none is active).
#pragma once

#include "common/qtcore/prompts.h"

class QWidget;

namespace common {

class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  Answer Show(const Message& message) override;
  std::optional<QString> OpenFile(const QString& title, const QString& dir,
                                  const QString& filter) override;
  std::optional<QString> SaveFile(const QString& title, const QString& suggested,
                                  const QString& filter) override;
  std::optional<QString> Ask(const QString& title, const QString& label,
                             const QString& initial) override;
  void SetBusy(bool busy) override;

 private:
  QWidget* Parent() const;

  QWidget* parent_;
};

}  // namespace common
