#include "tessera/panel/install_windows.h"

#include "common/link_trace_window.h"
#include "tessera/config/complex_dialog.h"
#include "tessera/config/filter_dialog.h"
#include "tessera/config/tracking_dialog.h"
#include "tessera/logs/event_log_window.h"
#include "tessera/logs/transition_window.h"
#include "tessera/panel/main_window.h"

namespace tessera::panel {

void InstallWindows(MainWindow& window) {
  TesseraApp& app = window.App();
  window.SetDialog("mnuConfigureInputs",
                   [&app](QWidget* parent) { return new config::FilterDialog(app, parent); });
  window.SetDialog("mnuInputTracking",
                   [&app](QWidget* parent) { return new config::TrackingDialog(app, parent); });
  window.SetDialog("mnuComplexOutputs",
                   [&app](QWidget* parent) { return new config::ComplexDialog(app, parent); });
  window.SetDialog("mnuTransition",
                   [&app](QWidget* parent) { return new logs::TransitionWindow(app, parent); });
  window.SetDialog("mnuEventLog",
                   [&app](QWidget* parent) { return new logs::EventLogWindow(app, parent); });
  window.SetDialog("mnuLinkTrace", [&app](QWidget* parent) {
    return new common::LinkTraceWindow(app.Tap(), app.prompts(), parent);
  });
}

}  // namespace tessera::panel
