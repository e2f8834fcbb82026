// About Vanta Device (what the last identification said) and the text of About Corvid
// (product and version; the box itself is common::AboutBox). Both are shown modal
// without a nested event loop, so polling goes on while they are open.
#pragma once

#include <QDialog>
#include <QString>

#include "corvid/core/response_decoders.h"

class QGroupBox;
class QLabel;

namespace corvid::monitor {

// Product name, a blank, major.minor, and ".revision" when the revision is not 0.
QString AboutText(const QString& product, int major, int minor, int revision);
// AboutText for a "1.3.3" style version string.
QString AboutText(const QString& product, const QString& version);

class AboutDeviceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDeviceDialog(QWidget* parent);
  // Fills the three boxes and shows the dialog modal.
  void ShowFor(const DeviceIdentity& identity);

 private:
  QLabel* type_label_ = nullptr;
  QLabel* id_label_ = nullptr;
  QLabel* firmware_label_ = nullptr;
};

}  // namespace corvid::monitor
