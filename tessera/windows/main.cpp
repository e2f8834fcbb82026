// tessera [/comm=N] [/kal] [/sim]: the TBX service tool.
#include <QApplication>
#include <QStringList>

#include "common/core/program_help.h"
#include "common/version.h"
#include "common/widgets/qt_prompts.h"
#include "common/widgets/screen_log.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/flash_menu.h"
#include "tessera/windows/install_windows.h"
#include "tessera/windows/main_window.h"

namespace {

common::ProgramHelp Help() {
  common::ProgramHelp help;
  help.name = "tessera";
  help.summary = "monitor and maintain a TBX cabinet I/O unit over a serial line";
  help.synopsis = "[/comm=N] [/kal] [/sim]";
  help.description =
      "Polls the TBX ten times a second at 19200,E,8,1, mirrors its I/O points and opto\n"
      "inputs, drives its outputs, configures input filters, tracking and complex outputs,\n"
      "reads the event log and the transition buffer, and updates its firmware from an\n"
      "Intel HEX file.";
  help.options = {
      {"/comm=N", "", "talk to the unit on serial port N (default 1)"},
      {"/kal", "", "show the Configure TBX and Buffers menus"},
      {"/sim", "", "talk to the built-in simulated unit instead of a port"},
      {"--help, --version, --man", "", "print this help, the version or the manual page"},
  };
  help.sections = {
      common::SerialPortsSection(),
      {"See also", "tessera-cli(1), tbx-sim(1)"},
  };
  return help;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = common::AnswerInfoSwitches(
          std::vector<std::string>(argv + 1, argv + argc), Help(), common::kVersion)) {
    return *status;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessera");
  QApplication::setApplicationVersion(common::kVersion);

  // The switches are searched anywhere in the command line, as one text.
  const QString command_line = QApplication::arguments().mid(1).join(' ');
  common::QtPrompts prompts;
  tessera::TesseraApp tessera_app(tessera::TesseraPortSetup(command_line.contains("/sim")),
                                  prompts);
  tessera::panel::MainWindow window(tessera_app);
  tessera::panel::InstallWindows(window);
  new tessera::flash::FlashMenu(window);  // owned by the window
  prompts.SetParent(&window);
  const auto screen_log = common::ScreenLog::FromEnvironment(&window);
  if (screen_log) screen_log->Follow(&tessera_app.session());
  if (!window.Load(command_line)) return 1;
  window.show();
  return app.exec();
}
