// The port dialog: choose and open the serial port, or find the USB adapter's port.
#pragma once

#include <QDialog>

#include "corvid/link/usb_search.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace common {
class Prompts;
class SerialPort;
}  // namespace common

namespace corvid {

struct LinkSettings;
class SettingsStore;

class PortDialog : public QDialog {
  Q_OBJECT
 public:
  // Modeless and owned by the main window; holds no port of its own.
  PortDialog(common::SerialPort& port, common::Prompts& prompts, LinkSettings& settings,
             SettingsStore& store, QWidget* parent = nullptr);

  // Fills the port list with "1".."20" and preselects settings.PortNumber.
  void Load();
  // OK: opens the chosen port. True when the port is open afterwards.
  bool OpenChosenPort();
  // USB: puts the adapter's port number into the port list or reports why not.
  void FindUsbPort();
  void SetUsbSearchPaths(const UsbSearchPaths& paths) { usb_paths_ = paths; }
  // The built-in simulated device uses no port: the dialog says so, and OK only
  // closes it.
  void SetSimulated(bool simulated);

  QComboBox* PortBox() const { return port_box_; }

 protected:
  // Every opening shows the current port preselected.
  void showEvent(QShowEvent* event) override;

 signals:
  // A port was opened through OK (the window shows "PC Comm Port = " + n).
  void PortOpened(int port_number);

 private:
  void RefocusPort();

  common::SerialPort& port_;
  common::Prompts& prompts_;
  LinkSettings& settings_;
  SettingsStore& store_;
  UsbSearchPaths usb_paths_;
  QGroupBox* setting_frame_ = nullptr;
  QComboBox* port_box_ = nullptr;
  QLabel* port_label_ = nullptr;
  QPushButton* ok_button_ = nullptr;
  QPushButton* cancel_button_ = nullptr;
  QPushButton* usb_button_ = nullptr;
  QLabel* simulated_label_ = nullptr;
  bool simulated_ = false;
};

}  // namespace corvid
