// Corvid's main window. Shows what the session reports of the device
// (status, diagnostics, identity, link counters), hands the technician's output
// disables, fault indicators and slot address to the session, and starts Check
// Outputs. The device itself is driven by the session only.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <optional>

#include "corvid/core/commands.h"
#include "corvid/core/response_decoders.h"
#include "corvid/session/check_outputs.h"
#include "corvid/session/corvid_app.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace common {
class AboutBox;
class Indicator;
class LinkTraceWindow;
class Picture;
}  // namespace common
namespace corvid {
class PortDialog;
class TrendRecorder;
}  // namespace corvid
namespace corvid::calibration {
class CalibrationWindows;
}

namespace corvid::monitor {

class AboutDeviceDialog;
class TrendWindow;
using common::Picture;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(CorvidApp& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence: indicators reset, then the session's start-up (stored
  // settings, the stored port opened silently, every output disabled, polling).
  void Load();
  // Marks the window as talking to the in-process simulated device.
  void MarkSimulated();

  // Check Outputs (its button): starts the check, which runs on while events go on.
  void CheckOutputs();
  CheckOutputsRun* OutputCheck() const { return check_outputs_; }

  CorvidApp& App() { return app_; }
  Session& session() { return app_.session(); }
  QTimer* CalibrateTimer() const { return calibrate_timer_; }
  QCheckBox* OutputDisableBox(int i) const { return output_disable_boxes_[i]; }
  QLineEdit* FieldVoltsBox(int i) const { return field_volts_boxes_[i]; }
  QLineEdit* FieldAmpsBox(int i) const { return field_amps_boxes_[i]; }
  QLineEdit* MainsVoltageBox() const { return mains_voltage_box_; }
  QComboBox* AddressBox() const { return address_box_; }
  QPushButton* FullCalibrateButton() const { return full_calibrate_button_; }
  QMenu* CalibrateMenu() const { return calibrate_menu_; }
  // The Calibrate menu's items the calibration windows answer.
  QAction* AutoCalibrateItem() const { return auto_calibrate_item_; }
  QAction* ManualCalibrateItem() const { return manual_calibrate_item_; }
  QAction* CalibrationSettingsItem() const { return calibration_settings_item_; }
  // The Link Trace window once it was opened (Port menu), else null.
  common::LinkTraceWindow* LinkTrace() const { return link_trace_; }
  // What the poll read, recorded from the start (the Trend window shows it).
  TrendRecorder& Recorder() const { return *trend_recorder_; }
  // The Trend window once it was opened (View menu), else null.
  TrendWindow* Trend() const { return trend_; }
  // The Calibrate menu's windows and the full calibration.
  calibration::CalibrationWindows* Calibration() const { return calibration_; }
  // Where the Status, Mains and Channel readings are on the screen: procedures ask
  // the technician to watch them, so no window of theirs may open over them.
  QRect WatchedReadings() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  QWidget* BuildStatusFrame();
  QWidget* BuildMainsFrame();
  QWidget* BuildFieldFrame();
  QWidget* BuildOutputDisableFrame();
  QWidget* BuildFaultIndicatorFrame();
  QWidget* BuildAddressFrame();
  QWidget* BuildStatusROFrame();
  QWidget* BuildDiagnosticFrame();
  void BuildMenus();
  void BuildStatusBar();
  void SetTabOrder();

  void ConnectSession();
  void ShowResponding(bool responding);
  void ApplyStatusLayout(StatusLayout layout);
  void ShowStatus(const StatusReading& reading);
  void ShowDiagnostic(const DiagnosticReading& reading);
  void ShowIdentity(const DeviceIdentity& identity);
  void ShowCounters(const LinkCounters& counters);
  void ShowDisables(std::uint8_t disables);
  void ShowAboutDevice();
  void ShowAbout();
  void ShowHelp();
  void ShowPortDialog();
  void ShowLinkTrace();
  void ShowTrend();

  CorvidApp& app_;
  CheckOutputsRun* check_outputs_ = nullptr;

  QTimer* calibrate_timer_ = nullptr;
  PortDialog* port_dialog_ = nullptr;
  AboutDeviceDialog* about_device_ = nullptr;
  common::AboutBox* about_box_ = nullptr;
  common::LinkTraceWindow* link_trace_ = nullptr;
  TrendRecorder* trend_recorder_ = nullptr;
  TrendWindow* trend_ = nullptr;

  // Status
  QWidget* status_frame_ = nullptr;
  common::Indicator* responding_lamp_ = nullptr;
  Picture* not_responding_picture_ = nullptr;
  QLabel* responding_label_ = nullptr;
  // Mains
  QGroupBox* mains_frame_ = nullptr;
  QLineEdit* mains_voltage_box_ = nullptr;
  // Field Outputs
  QGroupBox* field_frame_ = nullptr;
  std::array<QLabel*, kOutputs> row_labels_{};  // channel 1 red ... channel 2 green
  std::array<common::Indicator*, kOutputs> output_lamps_{};
  std::array<QLineEdit*, kOutputs> field_volts_boxes_{};
  std::array<QLineEdit*, kOutputs> field_amps_boxes_{};
  std::array<Picture*, kOutputs> fault_pictures_{};
  // Output Disable, Fault Indicator, Slot Address
  std::array<QCheckBox*, kOutputs> output_disable_boxes_{};
  std::array<QCheckBox*, 2> fault_indicator_boxes_{};
  std::array<common::Indicator*, 2> fault_indicator_lamps_{};
  QComboBox* address_box_ = nullptr;
  // device status, VELD Diagnostic
  std::array<QCheckBox*, 4> status_boxes_{};
  QLineEdit* temperature_box_ = nullptr;
  std::array<QLineEdit*, 4> counter_boxes_{};  // CRC, Rx overflows, Reg, Rx errors
  QLineEdit* data_flash_errors_box_ = nullptr;
  Picture* reg_fault_picture_ = nullptr;
  Picture* data_flash_fault_picture_ = nullptr;
  QPushButton* clear_errors_button_ = nullptr;
  // window
  QLabel* device_id_label_ = nullptr;
  QLineEdit* device_id_box_ = nullptr;
  Picture* low_24v_picture_ = nullptr;
  QPushButton* check_outputs_button_ = nullptr;
  QPushButton* full_calibrate_button_ = nullptr;
  std::array<QLabel*, 5> status_panels_{};  // the status bar's panels 1-5
  QLabel* simulated_label_ = nullptr;
  QMenu* calibrate_menu_ = nullptr;
  QAction* auto_calibrate_item_ = nullptr;
  QAction* manual_calibrate_item_ = nullptr;
  QAction* calibration_settings_item_ = nullptr;
  calibration::CalibrationWindows* calibration_ = nullptr;
};

}  // namespace corvid::monitor
