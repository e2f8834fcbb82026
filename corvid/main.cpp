// corvid [/sim]: the switch-pack monitor. With /sim it talks to a built-in simulated
// switch pack at the line rate instead of a serial port.
#include <QApplication>
#include <QStringList>

#include "common/qt_prompts.h"
#include "common/screen_log.h"
#include "common/version.h"
#include "corvid/monitor/main_window.h"
#include "corvid/session/corvid_app.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(corvid::kApplicationName);
  QApplication::setOrganizationName(corvid::kOrganisationName);
  QApplication::setApplicationVersion(common::kVersion);

  bool simulated = false;
  for (const QString& arg : QApplication::arguments().mid(1))
    if (arg.compare("/sim", Qt::CaseInsensitive) == 0) simulated = true;

  common::QtPrompts prompts;
  corvid::CorvidApp corvid_app(corvid::CorvidPortSetup(simulated), prompts,
                               corvid::CorvidSettingsStore(simulated));
  corvid::monitor::MainWindow window(corvid_app);
  prompts.SetParent(&window);
  if (simulated) window.MarkSimulated();
  const auto screen_log = common::ScreenLog::FromEnvironment(&window);
  if (screen_log) screen_log->Follow(&corvid_app.session());
  window.show();
  window.Load();
  return QApplication::exec();
}
