#include "tessera/windows/install_windows.h"

#include "common/widgets/link_trace_window.h"
#include "tessera/session/io_recorder.h"
#include "tessera/windows/complex_dialog.h"
#include "tessera/windows/event_log_window.h"
#include "tessera/windows/filter_dialog.h"
#include "tessera/windows/io_history_window.h"
#include "tessera/windows/main_window.h"
#include "tessera/windows/tracking_dialog.h"
#include "tessera/windows/transition_window.h"

namespace tessera::panel {

void InstallWindows(MainWindow& window) {
  TesseraApp& app = window.App();
  window.SetWindow(FeatureWindow::kInputFilters,
                   [&app](QWidget* parent) { return new config::FilterDialog(app, parent); });
  window.SetWindow(FeatureWindow::kInputTracking,
                   [&app](QWidget* parent) { return new config::TrackingDialog(app, parent); });
  window.SetWindow(FeatureWindow::kComplexOutputs,
                   [&app](QWidget* parent) { return new config::ComplexDialog(app, parent); });
  window.SetWindow(FeatureWindow::kTransitionBuffer,
                   [&app](QWidget* parent) { return new logs::TransitionWindow(app, parent); });
  window.SetWindow(FeatureWindow::kEventLog,
                   [&app](QWidget* parent) { return new logs::EventLogWindow(app, parent); });
  window.SetWindow(FeatureWindow::kLinkTrace, [&app](QWidget* parent) {
    return new common::LinkTraceWindow(app.Tap(), app.prompts(), parent);
  });
  // The history records from the start, whether or not its window is ever opened.
  auto* recorder = new IoRecorder(app.session(), &window);
  window.SetWindow(FeatureWindow::kIoHistory, [&app, recorder](QWidget* parent) {
    return new IoHistoryWindow(*recorder, app.prompts(), parent);
  });
}

}  // namespace tessera::panel
