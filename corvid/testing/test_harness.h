// Test-only: a started session wired to a scripted switch pack through SimulatedPort.
#pragma once

#include <QTemporaryDir>
#include <QTimer>
#include <map>

#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "corvid/session/corvid_app.h"

namespace corvid::testing {

using Payload = Bytes;

// Answers each command with the payload scripted for its code and
// records the commands it took.
class ScriptedDevice : public common::DeviceModel {
 public:
  common::DeviceReply Receive(ByteView bytes) override {
    HdlcReceiver rx;
    for (std::uint8_t b : bytes) rx.Take(b);
    const Bytes& body = rx.Frame();
    if (body.size() < 5) return {};
    commands.emplace_back(body.begin() + 2, body.end() - 2);
    const auto it = payloads.find(body[2]);
    if (silent || it == payloads.end()) return {};
    return {BuildCommandFrame(body[0], it->second), delay_ms};
  }
  // Codes of the commands taken since the last call.
  Bytes TakeCodes() {
    Bytes codes;
    for (const Payload& c : commands) codes.push_back(c[0]);
    commands.clear();
    return codes;
  }

  std::map<std::uint8_t, Payload> payloads;
  bool silent = false;
  int delay_ms = 0;
  std::vector<Payload> commands;
};

// A status payload: 0.1 V mains and field voltages, mA currents, on and fault bits.
struct StatusValues {
  std::uint8_t status_bits = 0;
  int mains = 1200;
  std::array<int, 6> volts{1200, 1200, 1200, 1200, 1200, 1200};
  std::array<int, 6> amps{2400, 2400, 2400, 2400, 2400, 2400};
  std::uint8_t on_bits = 0, fault_bits = 0;
};
inline Payload StatusPayload(const StatusValues& v, std::uint8_t code = 0x81) {
  Payload p{code, v.status_bits};
  auto put = [&p](int value) {
    p.insert(p.end(), {std::uint8_t(value & 0x7F), std::uint8_t(value >> 7 & 0x7F)});
  };
  put(v.mains);
  for (int x : v.volts) put(x);
  for (int x : v.amps) put(x);
  p.insert(p.end(), {v.on_bits, v.fault_bits});
  return p;
}

// Answers of a healthy VELD-LV at slot 1.
inline std::map<std::uint8_t, Payload> HealthyPayloads() {
  return {
      {0x01, StatusPayload({})},
      {0x02, StatusPayload({}, 0x82)},
      {0x3C,
       {0xBC, 2, 'T', 'y', 'p', 'e', ' ', '0', '3', ' ', 'R', 'e', 'v', ' ', '1', '.', '1', '2'}},
      {0x7B, {0xFB, 0x00, 0x4D, 0x00, 0, 0, 0, 0}},
      {0x7C, {0xFC}}};
}

// The application object over the scripted device, with its own settings file.
struct AppRig {
  AppRig() { device.payloads = HealthyPayloads(); }
  common::SimulatedPort& Port() { return static_cast<common::SimulatedPort&>(app.Port()); }

  QTemporaryDir dir;
  ScriptedDevice device;
  common::ScriptedPrompts prompts;
  CorvidApp app{common::PortSetup{nullptr, std::make_unique<common::SimulatedPort>(&device)},
                prompts, std::make_unique<SettingsStore>(dir.filePath("Corvid.conf"))};
  Session& session = app.session();
  HdlcLink& link = app.link();
};

// Started, the poll timer stopped: tests drive the ticks themselves.
struct SessionHarness : AppRig {
  SessionHarness() {
    session.Start();
    session.Loop().Timer()->stop();
    Port().TakeWritten();
  }
};

}  // namespace corvid::testing
