// tessera [/comm=N] [/kal] [/sim]: the TBX service tool.
#include <QApplication>
#include <QStringList>
#include <memory>

#include "common/qt_prompts.h"
#include "common/qt_serial_port.h"
#include "common/simulated_port.h"
#include "tessera/panel/tessera_app.h"
#include "tessera/sim/tbx_model.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tessera");
  const auto version = tessera::panel::TesseraVersion();
  QApplication::setApplicationVersion(
      QString("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision));

  // The switches are searched anywhere in the command line, as one text.
  const QString command_line = QApplication::arguments().mid(1).join(' ');
  const bool simulated = command_line.contains("/sim");

  tessera::sim::TbxModel model;
  std::unique_ptr<common::SerialPort> port;
  if (simulated) {
    auto sim_port = std::make_unique<common::SimulatedPort>(&model);
    sim_port->SetPaced(true);  // answers take their real wire time
    port = std::move(sim_port);
  } else {
    port = std::make_unique<common::QtSerialPort>();
  }

  common::QtPrompts prompts;
  tessera::panel::TesseraApp tessera_app(std::move(port), prompts);
  tessera::panel::MainWindow& window = tessera_app.Window();
  prompts.SetParent(&window);
  window.SetSimulated(simulated);
  if (!tessera_app.Start(command_line)) return 1;
  window.show();
  return app.exec();
}
