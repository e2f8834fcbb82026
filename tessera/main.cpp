// tessera [/comm=N] [/kal] [/sim]: the TBX service tool.
#include <QApplication>
#include <QStringList>

#include "common/qt_prompts.h"
#include "common/screen_log.h"
#include "common/version.h"
#include "tessera/panel/main_window.h"
#include "tessera/session/tessera_app.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessera");
  QApplication::setApplicationVersion(common::kVersion);

  // The switches are searched anywhere in the command line, as one text.
  const QString command_line = QApplication::arguments().mid(1).join(' ');
  common::QtPrompts prompts;
  tessera::TesseraApp tessera_app(tessera::TesseraPortSetup(command_line.contains("/sim")),
                                  prompts);
  tessera::panel::MainWindow window(tessera_app);
  prompts.SetParent(&window);
  const auto screen_log = common::ScreenLog::FromEnvironment(&window);
  if (screen_log) screen_log->Follow(&tessera_app.session());
  if (!window.Load(command_line)) return 1;
  window.show();
  return app.exec();
}
