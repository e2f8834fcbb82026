// Test-only: a main window wired to a scripted switch pack through SimulatedPort.
#pragma once

#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "common/device_model.h"
#include "common/prompts.h"
#include "common/simulated_port.h"
#include "corvid/link/hdlc_frame.h"
#include "corvid/link/hdlc_link.h"
#include "corvid/link/link_settings.h"
#include "corvid/monitor/main_window.h"

namespace corvid::monitor::testing {

using Payload = std::vector<std::uint8_t>;

// Answers each command frame with the payload scripted for its code (response code
// first), or with a raw reply; records every command it took.
class ScriptedDevice : public common::DeviceModel {
 public:
  common::DeviceReply Receive(std::span<const std::uint8_t> bytes) override {
    HdlcReceiver rx;
    rx.Reset();
    for (std::uint8_t b : bytes) rx.Take(b);
    const corvid::Bytes& body = rx.RxFrame();
    if (body.size() < 5) return {};
    const Payload command(body.begin() + 2, body.end() - 2);
    commands.push_back(command);
    if (silent) return {};
    if (raw_reply) return {*raw_reply, delay_ms};
    if (responder) {
      if (auto payload = responder(command)) return {BuildCommandFrame(body[0], *payload), delay_ms};
      return {};
    }
    const auto it = payloads.find(command[0]);
    if (it == payloads.end()) return {};
    return {BuildCommandFrame(body[0], it->second), delay_ms};
  }

  // Codes of the commands taken since the last call.
  std::vector<std::uint8_t> TakeCodes() {
    std::vector<std::uint8_t> codes;
    for (const Payload& c : commands) codes.push_back(c[0]);
    commands.clear();
    return codes;
  }

  std::map<std::uint8_t, Payload> payloads;
  std::function<std::optional<Payload>(const Payload&)> responder;
  std::optional<corvid::Bytes> raw_reply;
  bool silent = false;
  int delay_ms = 0;
  std::vector<Payload> commands;
};

inline void Put14(Payload& p, std::size_t offset, int value) {
  p[offset] = static_cast<std::uint8_t>(value & 0x7F);
  p[offset + 1] = static_cast<std::uint8_t>((value >> 7) & 0x7F);
}

struct StatusValues {
  std::uint8_t status_bits = 0;
  int mains = 1200;
  std::array<int, 6> volts{1200, 1200, 1200, 1200, 1200, 1200};
  std::array<int, 6> amps{2400, 2400, 2400, 2400, 2400, 2400};
  std::uint8_t on_bits = 0;
  std::uint8_t fault_bits = 0;
};

inline Payload StatusPayload(const StatusValues& v, std::uint8_t code = 0x81) {
  Payload p(30, 0);
  p[0] = code;
  p[1] = v.status_bits;
  Put14(p, 2, v.mains);
  for (int i = 0; i < 6; ++i) {
    Put14(p, 4 + 2 * i, v.volts[i]);
    Put14(p, 16 + 2 * i, v.amps[i]);
  }
  p[28] = v.on_bits;
  p[29] = v.fault_bits;
  return p;
}

inline Payload IdPayload(int type, const std::string& text) {
  Payload p{0xBC, static_cast<std::uint8_t>(type)};
  for (char c : text) p.push_back(static_cast<std::uint8_t>(c));
  return p;
}

inline Payload DiagnosticPayload() { return {0xFB, 0x00, 0x4D, 0x00, 0, 0, 0, 0}; }

// A shown, loaded main window with tmrPoll stopped: tests drive the ticks themselves.
struct Harness {
  Harness() {
    device.payloads[0x01] = StatusPayload({});
    device.payloads[0x02] = StatusPayload({}, 0x82);
    device.payloads[0x3C] = IdPayload(2, "Type 03 Rev 1.12");
    device.payloads[0x7B] = DiagnosticPayload();
    device.payloads[0x7C] = {0xFC};
    // Shown, so that controls have their real places and clicks land on them.
    window.show();
    window.Load();
    window.tmrPoll()->stop();
    port.TakeWritten();
  }
  template <typename T>
  T* Find(const QString& name) {
    return window.findChild<T*>(name);
  }

  QTemporaryDir dir;
  ScriptedDevice device;
  common::SimulatedPort port{&device};
  common::ScriptedPrompts prompts;
  SettingsStore store{dir.filePath("Corvid.conf")};
  HdlcLink link{port, prompts};
  CorvidApp app{port, prompts, store, link, {}, {}};
  MainWindow window{app};
};

}  // namespace corvid::monitor::testing
