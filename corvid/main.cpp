// corvid [/sim]: the switch-pack monitor. With /sim it talks to a built-in simulated
// switch pack at the line rate instead of a serial port.
#include <QApplication>
#include <QSettings>
#include <QStringList>
#include <memory>

#include "common/qt_prompts.h"
#include "common/qt_serial_port.h"
#include "common/simulated_port.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/link/link_settings.h"
#include "corvid/monitor/main_window.h"
#include "corvid/sim/switch_pack_model.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(corvid::kApplicationName);
  QApplication::setOrganizationName(corvid::kOrganisationName);
  QApplication::setApplicationVersion(CORVID_VERSION);

  bool simulated = false;
  for (const QString& arg : QApplication::arguments().mid(1))
    if (arg.compare("/sim", Qt::CaseInsensitive) == 0) simulated = true;

  std::unique_ptr<corvid::SwitchPackModel> model;
  std::unique_ptr<common::SerialPort> port;
  if (simulated) {
    // Sits at whatever slot the technician selects, so changing it shows the device follow.
    model = std::make_unique<corvid::SwitchPackModel>(corvid::SwitchPackOptions{.slot = 0});
    auto sim_port = std::make_unique<common::SimulatedPort>(model.get());
    sim_port->SetPaced(true);
    port = std::move(sim_port);
  } else {
    port = std::make_unique<common::QtSerialPort>();
  }
  port->setObjectName("Comm1");

  common::QtPrompts prompts;
  // A simulated session keeps its own settings, so trying things out never
  // changes the slot address or port a technician stored for the real device.
  const auto store_ptr =
      simulated ? std::make_unique<corvid::SettingsStore>(
                      QSettings(QSettings::IniFormat, QSettings::UserScope,
                                corvid::kOrganisationName,
                                QString(corvid::kApplicationName) + "-sim")
                          .fileName())
                : std::make_unique<corvid::SettingsStore>();
  corvid::SettingsStore& store = *store_ptr;
  corvid::HdlcLink link(*port, prompts);
  corvid::monitor::CorvidApp corvid_app{*port, prompts, store, link, {}, {}};
  corvid::monitor::MainWindow window(corvid_app);
  prompts.SetParent(&window);
  if (simulated) window.MarkSimulated();
  window.show();
  window.Load();
  return QApplication::exec();
}
