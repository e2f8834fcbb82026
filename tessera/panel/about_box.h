// The About box: the program's version and, once the unit has identified itself
// with the extended set, its firmware and comm versions.
#pragma once

#include <QDialog>
#include <QString>

#include "tessera/link/identity.h"

class QLabel;

namespace tessera::panel {

struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

// This build's version (from the project version).
ProgramVersion TesseraVersion();

// Lines joined by CR LF; the unit's versions only when KalUnit is set.
QString AboutText(const ProgramVersion& version, const UnitIdentity& identity);

// frmAbout: modal, centred, closed by a click anywhere on it.
class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(const QString& text, QWidget* parent = nullptr);
  QString Text() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* lbl_about_;
};

}  // namespace tessera::panel
