#include "corvid/session/corvid_app.h"

#include <QSettings>

#include "corvid/sim/switch_pack_model.h"

namespace corvid {

common::PortSetup CorvidPortSetup(bool simulated) {
  return common::MakePortSetup(
      simulated ? std::make_unique<SwitchPackModel>(SwitchPackOptions{.slot = 0}) : nullptr);
}

std::unique_ptr<SettingsStore> CorvidSettingsStore(bool simulated) {
  if (!simulated) return std::make_unique<SettingsStore>();
  return std::make_unique<SettingsStore>(QSettings(QSettings::IniFormat, QSettings::UserScope,
                                                   kOrganisationName,
                                                   QString(kApplicationName) + "-sim")
                                             .fileName());
}

CorvidApp::CorvidApp(common::PortSetup setup, common::Prompts& prompts,
                     std::unique_ptr<SettingsStore> store)
    : DeviceApp(std::move(setup), prompts),
      store_(std::move(store)),
      link_(Port(), prompts),
      session_(settings_, state_, *store_, Port(), link_, prompts, Model() != nullptr) {
  link_.SetTap(&tap_);
}

CorvidApp::~CorvidApp() = default;

}  // namespace corvid
