#include "corvid/calibration/calibration_windows.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPushButton>

#include "corvid/calibration/cal_manual_window.h"
#include "corvid/calibration/cal_settings_dialog.h"
#include "corvid/calibration/calibrate_window.h"
#include "corvid/monitor/main_window.h"
#include "corvid/session/corvid_app.h"

namespace corvid::calibration {

CalibrationWindows::CalibrationWindows(CorvidApp& app, monitor::MainWindow& window)
    : QObject(&window),
      app_(app),
      window_(window),
      calibrate_(new CalibrateWindow(&window)),
      manual_(new CalManualWindow(app.session(), app.prompts(), boxes_, &window)),
      mnu_cal_auto_(window.findChild<QAction*>("mnuCalAuto")),
      cmd_cal_auto_(window.cmdCalAuto()),
      cmd_check_outputs_(window.findChild<QPushButton*>("cmdCheckOutputs")),
      guided_(app.session(), app.prompts(), boxes_, *this, window.tmrCalibrate()) {
  Session& session = app.session();
  session.SetCalibrationSource([this] { return boxes_.Factors(); });

  connect(window.mnuCalibrate(), &QMenu::aboutToShow, &guided_,
          &GuidedCalibration::PrepareWorkingValues);
  auto auto_calibrate = [this] {
    if (cmd_cal_auto_->isEnabled()) guided_.Auto();
  };
  connect(mnu_cal_auto_, &QAction::triggered, this, auto_calibrate);
  connect(cmd_cal_auto_, &QPushButton::clicked, this, auto_calibrate);
  connect(window.findChild<QAction*>("mnuCalManual"), &QAction::triggered, manual_,
          &CalManualWindow::ShowWindow);
  connect(window.findChild<QAction*>("mnuCalSettings"), &QAction::triggered, this,
          &CalibrationWindows::ShowSettings);

  connect(calibrate_, &CalibrateWindow::StartClicked, &guided_, &GuidedCalibration::Start);
  connect(calibrate_, &CalibrateWindow::CancelClicked, &guided_, &GuidedCalibration::Cancel);
  connect(&guided_, &GuidedCalibration::StateChanged, this, [this] {
    manual_->SetRunInProgress(guided_.Running());
    cmd_check_outputs_->setEnabled(!guided_.Running());
    UpdateAvailability();
  });
  // Check Outputs keeps its button off while it runs.
  cmd_check_outputs_->installEventFilter(this);
  UpdateAvailability();
}

CalibrationWindows::~CalibrationWindows() {
  // The session outlives the windows; the boxes go with this.
  app_.session().SetCalibrationSource({});
}

CalSettingsDialog* CalibrationWindows::frmCalSettings() {
  if (settings_ == nullptr) {
    settings_ = new CalSettingsDialog(app_.settings().cal, app_.store(), &window_);
  }
  return settings_;
}

void CalibrationWindows::ShowSettings() {
  CalSettingsDialog* dialog = frmCalSettings();
  dialog->Load(app_.globals().DeviceType);
  dialog->open();
}

bool CalibrationWindows::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cmd_check_outputs_ && event->type() == QEvent::EnabledChange) {
    UpdateAvailability();
  }
  return QObject::eventFilter(watched, event);
}

void CalibrationWindows::UpdateAvailability() {
  const bool checking = !cmd_check_outputs_->isEnabled() && !guided_.Running();
  const bool available = guided_.AutoAvailable() && !checking;
  cmd_cal_auto_->setEnabled(available);
  mnu_cal_auto_->setEnabled(available);
}

void CalibrationWindows::ShowFactors() { manual_->ShowWindow(); }

void CalibrationWindows::PrepareStep(CalMode, const QString& instructions, bool start_enabled) {
  calibrate_->PrepareStep(instructions, start_enabled);
}

void CalibrationWindows::ShowInstructions(const QString& instructions) {
  calibrate_->ShowInstructions(instructions);
}

void CalibrationWindows::ShowReport(bool passed) { calibrate_->ShowReport(passed); }

void CalibrationWindows::CloseStep() { calibrate_->CloseStep(); }

}  // namespace corvid::calibration
