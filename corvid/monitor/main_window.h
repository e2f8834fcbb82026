// frmMain: Corvid's main window. Polls the device every 50 ms (identification,
// diagnostic, status), shows what it reports, carries the technician's output
// disables and fault indicators back with every status command, and runs Check
// Outputs. The command functions are public for the calibration windows.
#pragma once

#include <QMainWindow>
#include <array>
#include <deque>
#include <functional>
#include <optional>

#include "corvid/monitor/commands.h"
#include "corvid/monitor/globals.h"

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
class Indicator;
}
namespace corvid {
class CommBox;
}

namespace corvid::monitor {

class AboutBox;
class AboutDeviceDialog;
class Picture;

inline constexpr int kPollIntervalMs = 50;
inline constexpr int kCheckPauseMs = 100;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(CorvidApp& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence: indicators reset, slot address and settings read, the
  // stored port opened silently, every output disabled, tmrPoll started.
  void Load();
  // Marks the window as talking to the in-process simulated device.
  void MarkSimulated();

  // One tmrPoll tick. Skipped (counters still refreshed) while a menu is open, an
  // exchange is in progress or Check Outputs runs.
  void PollTick();

  // Command functions: one exchange each; on success the window shows the answer and
  // the result is true. A failure or a payload too short to decode changes nothing.
  bool GetStatus();
  bool GetModuleID();
  bool GetDiagnostic();
  // Sends the factors of the calibration source; false without a source.
  bool SetCalibration();
  // Where SetCalibration takes its 13 factors from (the manual calibration window).
  void SetCalibrationSource(std::function<std::optional<CalibrationFactors>()> source) {
    calibration_source_ = std::move(source);
  }

  // The Check Outputs procedure (cmdCheckOutputs); pause_ms is its settle pause.
  void CheckOutputs();
  void SetCheckPauseMs(int ms) { check_pause_ms_ = ms; }
  // Clear Errors: the link counters go back to 0; nothing is sent.
  void ClearErrors();

  // Runs fn now when no exchange or tick is in progress, else as soon as there is none,
  // so that procedures with waits of their own never start inside an exchange.
  void RunWhenIdle(std::function<void()> fn);
  bool Idle() const;

  CorvidApp& App() { return app_; }
  QTimer* tmrPoll() const { return tmr_poll_; }
  QTimer* tmrCalibrate() const { return tmr_calibrate_; }
  QCheckBox* chkOutDisable(int i) const { return chk_out_disable_[i]; }
  QCheckBox* chkFaultLED(int i) const { return chk_fault_led_[i]; }
  QLineEdit* txtFieldVolts(int i) const { return txt_field_volts_[i]; }
  QLineEdit* txtFieldAmps(int i) const { return txt_field_amps_[i]; }
  QLineEdit* txtMainsVoltage() const { return txt_mains_voltage_; }
  QComboBox* cmbAddress() const { return cmb_address_; }
  QPushButton* cmdCalAuto() const { return cmd_cal_auto_; }
  QMenu* mnuCalibrate() const { return mnu_calibrate_; }

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

  std::optional<QByteArray> Exchange(const std::vector<std::uint8_t>& command);
  void OnExchangeFinished(bool ok);
  void OnAddressSelected(int index);
  void ApplyStatusLayout(StatusLayout layout);
  void ShowStatus(const StatusReading& reading);
  void RefreshCounters();
  void FlushIdleActions();
  void ShowAboutDevice();
  void ShowAbout();
  void ShowHelp();
  void ShowPortDialog();

  CorvidApp& app_;
  std::function<std::optional<CalibrationFactors>()> calibration_source_;
  int check_pause_ms_ = kCheckPauseMs;
  bool in_tick_ = false;
  bool flush_scheduled_ = false;
  std::deque<std::function<void()>> idle_actions_;

  QTimer* tmr_poll_ = nullptr;
  QTimer* tmr_calibrate_ = nullptr;
  CommBox* comm_box_ = nullptr;
  AboutDeviceDialog* about_device_ = nullptr;
  AboutBox* about_box_ = nullptr;

  // fraStatus
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
};

}  // namespace corvid::monitor
