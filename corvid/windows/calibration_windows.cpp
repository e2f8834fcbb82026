#include "corvid/windows/calibration_windows.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "corvid/session/corvid_app.h"
#include "corvid/windows/cal_manual_window.h"
#include "corvid/windows/cal_settings_dialog.h"
#include "corvid/windows/calibrate_window.h"
#include "corvid/windows/main_window.h"

namespace corvid::calibration {
namespace {

// Where a calibration window opens: beside the main window where the screen has room,
// else beside or below the readings the steps ask the technician to watch, never over
// them, and clear of `taken` (the other calibration window). Where nothing fits, the
// place that hides the least of the readings. Returns the place (frame included).
// Local until a shared placement helper replaces it.
QRect PlaceBeside(QWidget* window, const monitor::MainWindow& main, const QRect& taken) {
  window->adjustSize();
  const QRect screen = main.screen()->availableGeometry();
  const QRect main_frame = main.frameGeometry();
  const QRect watched = main.WatchedReadings();
  // The window manager's decorations, as the main window has them.
  const QSize size = window->size() + (main_frame.size() - main.size());

  std::vector<int> xs = {main_frame.right() + 1, main_frame.left() - size.width(),
                         watched.right() + 1, screen.right() + 1 - size.width(), main_frame.left()};
  std::vector<int> ys = {main_frame.top(), screen.top(), watched.bottom() + 1};
  if (!taken.isNull()) {
    xs.insert(xs.begin(), taken.left());
    ys.insert(ys.begin(), taken.bottom() + 1);
  }
  QRect best;
  qint64 least_hidden = -1;
  for (int y : ys) {
    for (int x : xs) {
      QRect place(QPoint(x, y), size);
      // Kept on the screen: a place that fits only off it is no place.
      place.moveLeft(
          std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
      place.moveTop(
          std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
      const QRect hidden = place & watched;
      const QRect overlap = place & taken;
      const qint64 cost =
          qint64(hidden.width()) * hidden.height() * 4 + qint64(overlap.width()) * overlap.height();
      if (least_hidden < 0 || cost < least_hidden) {
        best = place;
        least_hidden = cost;
      }
      if (cost == 0) break;
    }
    if (least_hidden == 0) break;
  }
  window->move(best.topLeft());
  return best;
}

QRect Place(const QWidget* window) {
  return window->isVisible() ? window->frameGeometry() : QRect();
}

}  // namespace

CalibrationWindows::CalibrationWindows(CorvidApp& app, monitor::MainWindow& window)
    : QObject(&window),
      app_(app),
      window_(window),
      calibrate_(new CalibrateWindow(&window)),
      manual_(new CalManualWindow(app.session(), app.prompts(), boxes_, &window)),
      auto_item_(window.AutoCalibrateItem()),
      full_calibrate_button_(window.FullCalibrateButton()),
      guided_(app.session(), app.prompts(), boxes_, *this, window.CalibrateTimer()) {
  Session& session = app.session();
  session.SetCalibrationSource([this] { return boxes_.Factors(); });

  connect(window.CalibrateMenu(), &QMenu::aboutToShow, &guided_,
          &GuidedCalibration::PrepareWorkingValues);
  auto auto_calibrate = [this] {
    if (full_calibrate_button_->isEnabled()) guided_.Auto();
  };
  connect(auto_item_, &QAction::triggered, this, auto_calibrate);
  connect(full_calibrate_button_, &QPushButton::clicked, this, auto_calibrate);
  connect(window.ManualCalibrateItem(), &QAction::triggered, this,
          &CalibrationWindows::ShowFactors);
  connect(window.CalibrationSettingsItem(), &QAction::triggered, this,
          &CalibrationWindows::ShowSettings);

  connect(calibrate_, &CalibrateWindow::StartClicked, &guided_, &GuidedCalibration::Start);
  connect(calibrate_, &CalibrateWindow::CancelClicked, &guided_, &GuidedCalibration::Cancel);
  connect(&guided_, &GuidedCalibration::StateChanged, this, [this] {
    manual_->SetRunInProgress(guided_.Running());
    UpdateAvailability();
  });
  connect(&session, &Session::OutputsHolderChanged, this, &CalibrationWindows::UpdateAvailability);
  UpdateAvailability();
}

CalibrationWindows::~CalibrationWindows() {
  // The session outlives the windows; the boxes go with this, and a run ended by the
  // guided calibration's going reports to nobody here.
  app_.session().SetCalibrationSource({});
  disconnect(&app_.session(), nullptr, this, nullptr);
}

CalSettingsDialog* CalibrationWindows::SettingsDialog() {
  if (settings_ == nullptr) {
    settings_ = new CalSettingsDialog(app_.settings().cal, app_.store(), &window_);
  }
  return settings_;
}

void CalibrationWindows::ShowSettings() {
  CalSettingsDialog* dialog = SettingsDialog();
  dialog->Load(app_.state().device_type);
  dialog->open();
}

void CalibrationWindows::UpdateAvailability() {
  const bool checking = app_.session().OutputsHolder() == Session::OutputsUser::kCheckOutputs;
  const bool available = guided_.AutoAvailable() && !checking;
  full_calibrate_button_->setEnabled(available);
  auto_item_->setEnabled(available);
}

void CalibrationWindows::ShowFactors() {
  if (manual_->isHidden()) {
    QRect taken = Place(calibrate_);
    // A run shows the factors first: the calibration window, which the technician
    // works with, gets the better place.
    if (guided_.Running() && calibrate_->isHidden()) {
      taken = PlaceBeside(calibrate_, window_, {});
      calibrate_placed_ = true;
    }
    PlaceBeside(manual_, window_, taken);
  }
  manual_->ShowWindow();
}

void CalibrationWindows::PrepareStep(CalMode, const QString& instructions, bool start_enabled) {
  if (calibrate_->isHidden() && !calibrate_placed_)
    PlaceBeside(calibrate_, window_, Place(manual_));
  calibrate_placed_ = false;
  calibrate_->PrepareStep(instructions, start_enabled);
}

void CalibrationWindows::ShowInstructions(const QString& instructions) {
  calibrate_->ShowInstructions(instructions);
}

void CalibrationWindows::ShowReport(bool passed) { calibrate_->ShowReport(passed); }

void CalibrationWindows::CloseStep() {
  calibrate_placed_ = false;  // a run stopped before its first step: the next places anew
  calibrate_->CloseStep();
}

}  // namespace corvid::calibration
