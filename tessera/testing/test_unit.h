// A simulated TBX with its loader behind an in-process port, Tessera's application
// object over it and scripted prompts: what the flash tests drive.
#pragma once

#include <QFile>
#include <QSignalSpy>
#include <QString>
#include <memory>
#include <string>

#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_device.h"

namespace tessera::testing {

struct TestUnit {
  explicit TestUnit(sim::TbxLoaderOptions loader = {}, sim::TbxOptions unit = {}) {
    unit.idle_animation = false;
    device = std::make_unique<sim::TbxDevice>(unit, loader);
    auto owned = std::make_unique<common::SimulatedPort>(device.get());
    port = owned.get();
    app = std::make_unique<TesseraApp>(common::PortSetup{nullptr, std::move(owned)}, prompts);
  }
  Session& session() { return app->session(); }

  common::ScriptedPrompts prompts;
  std::unique_ptr<sim::TbxDevice> device;
  common::SimulatedPort* port = nullptr;
  std::unique_ptr<TesseraApp> app;
};

// The first argument of every emission a spy saw.
inline QVariantList Firsts(const QSignalSpy& spy) {
  QVariantList firsts;
  for (const QVariantList& args : spy) firsts << args.value(0);
  return firsts;
}

inline QString WriteFile(const QString& path, const std::string& text) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(text.data(), static_cast<qint64>(text.size()));
  return path;
}

}  // namespace tessera::testing
