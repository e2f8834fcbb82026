// corvid [/sim]: the switch-pack monitor. With /sim it talks to a built-in simulated
// switch pack at the line rate instead of a serial port.
#include <QApplication>
#include <QStringList>

#include "common/core/program_help.h"
#include "common/version.h"
#include "common/widgets/qt_prompts.h"
#include "common/widgets/screen_log.h"
#include "corvid/session/corvid_app.h"
#include "corvid/windows/main_window.h"

namespace {

common::ProgramHelp Help() {
  common::ProgramHelp help;
  help.name = "corvid";
  help.summary = "monitor and calibrate a two-channel switch pack or flash unit";
  help.synopsis = "[/sim]";
  help.description =
      "Polls a switch pack or flash unit on Serial Bus #3 twenty times a second at\n"
      "307200,n,8,1 (HDLC frames with FCS-16), shows its mains and field voltages and\n"
      "currents, outputs, faults and counters, checks its outputs, and calibrates its\n"
      "voltage and current measurement. The port and slot address are chosen in the\n"
      "program (Port, Settings) and remembered per user.";
  help.options = {
      {"/sim", "", "talk to the built-in simulated switch pack instead of a port"},
      {"--help, --version, --man", "", "print this help, the version or the manual page"},
  };
  help.sections = {
      common::SerialPortsSection(),
      {"Files",
       "~/.config/cabinet-tools/Corvid.conf: the slot address, port number and calibration\n"
       "settings (Corvid-sim.ini under /sim)."},
      {"See also", "switchpack-sim(1)"},
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
