// frmMain: Corvid's main window. Shows what the session reports of the device
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
class CommBox;
}
namespace corvid::calibration {
class CalibrationWindows;
}

namespace corvid::monitor {

class AboutDeviceDialog;
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

  // The Check Outputs procedure (cmdCheckOutputs) with its settle pause.
  void CheckOutputs();
  void SetCheckPauseMs(int ms) { check_pause_ms_ = ms; }

  CorvidApp& App() { return app_; }
  Session& session() { return app_.session(); }
  QTimer* tmrCalibrate() const { return tmr_calibrate_; }
  QCheckBox* chkOutDisable(int i) const { return chk_out_disable_[i]; }
  QCheckBox* chkFaultLED(int i) const { return chk_fault_led_[i]; }
  QLineEdit* txtFieldVolts(int i) const { return txt_field_volts_[i]; }
  QLineEdit* txtFieldAmps(int i) const { return txt_field_amps_[i]; }
  QLineEdit* txtMainsVoltage() const { return txt_mains_voltage_; }
  QComboBox* cmbAddress() const { return cmb_address_; }
  QPushButton* cmdCalAuto() const { return cmd_cal_auto_; }
  QMenu* mnuCalibrate() const { return mnu_calibrate_; }
  // The Calibrate menu's items the calibration windows answer.
  QAction* AutoCalibrateItem() const { return auto_calibrate_item_; }
  QAction* ManualCalibrateItem() const { return manual_calibrate_item_; }
  QAction* CalibrationSettingsItem() const { return calibration_settings_item_; }
  // The Link Trace window once it was opened (Port menu), else null.
  common::LinkTraceWindow* LinkTrace() const { return link_trace_; }
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

  CorvidApp& app_;
  int check_pause_ms_ = kCheckPauseMs;

  QTimer* tmr_calibrate_ = nullptr;
  CommBox* comm_box_ = nullptr;
  AboutDeviceDialog* about_device_ = nullptr;
  common::AboutBox* about_box_ = nullptr;
  common::LinkTraceWindow* link_trace_ = nullptr;

  // fraStatus
  QWidget* fra_status_ = nullptr;
  common::Indicator* shp_responding_ = nullptr;
  Picture* img_not_responding_ = nullptr;
  QLabel* lbl_respnding_ = nullptr;
  // fraMains
  QGroupBox* fra_mains_ = nullptr;
  QLineEdit* txt_mains_voltage_ = nullptr;
  // fraFieldStatus
  QGroupBox* fra_field_status_ = nullptr;
  std::array<QLabel*, kOutputs> lbl_rows_{};  // lblCh1Red ... lblCh2Grn
  std::array<common::Indicator*, kOutputs> shp_signal_{};
  std::array<QLineEdit*, kOutputs> txt_field_volts_{};
  std::array<QLineEdit*, kOutputs> txt_field_amps_{};
  std::array<Picture*, kOutputs> img_fault_{};
  // fraOutputDisable, fraFaultIndicator, fraAddress
  std::array<QCheckBox*, kOutputs> chk_out_disable_{};
  std::array<QCheckBox*, 2> chk_fault_led_{};
  std::array<common::Indicator*, 2> shp_fault_{};
  QComboBox* cmb_address_ = nullptr;
  // fraStatusRO, fraDiagnostic
  std::array<QCheckBox*, 4> chk_status_{};
  QLineEdit* txt_temperature_ = nullptr;
  std::array<QLineEdit*, 4> txt_counters_{};  // CRC, Rx overflows, Reg, Rx errors
  QLineEdit* txt_data_flash_errors_ = nullptr;
  Picture* img_reg_fault_ = nullptr;
  Picture* img_data_flash_fault_ = nullptr;
  QPushButton* cmd_clear_errors_ = nullptr;
  // window
  QLabel* lbl_device_id_ = nullptr;
  QLineEdit* txt_device_id_ = nullptr;
  Picture* img_24v_low_ = nullptr;
  QPushButton* cmd_check_outputs_ = nullptr;
  QPushButton* cmd_cal_auto_ = nullptr;
  std::array<QLabel*, 5> sb_panels_{};  // sbStatus panels 1-5
  QLabel* lbl_simulated_ = nullptr;
  QMenu* mnu_calibrate_ = nullptr;
  QAction* auto_calibrate_item_ = nullptr;
  QAction* manual_calibrate_item_ = nullptr;
  QAction* calibration_settings_item_ = nullptr;
  calibration::CalibrationWindows* calibration_ = nullptr;
};

}  // namespace corvid::monitor
