#include "corvid/session/check_outputs.h"

#include <QString>

#include "common/qtcore/event_wait.h"
#include "common/qtcore/prompts.h"
#include "corvid/core/output_check.h"
#include "corvid/session/session.h"

namespace corvid {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void Show(common::Prompts& prompts, const QString& title, const QString& text) {
  prompts.Show({.title = title,
                .text = text,
                .buttons = common::Buttons::kOk,
                .icon = common::Icon::kCritical,
                .detail = {}});
}

// Gives the outputs back on every way out of the check.
struct OutputsHold {
  Session& session;
  ~OutputsHold() { session.ReleaseOutputs(Session::OutputsUser::kCheckOutputs); }
};

}  // namespace

bool CheckOutputs(Session& session, common::Prompts& prompts, int pause_ms) {
  if (!session.ClaimOutputs(Session::OutputsUser::kCheckOutputs)) return false;
  const OutputsHold hold{session};
  const common::BusyGuard hourglass(prompts);
  const auto resistor = session.settings().cal.ResistorFor(session.state().device_type);
  if (!resistor) {
    Show(prompts, "Device Error", "ERROR: Unknown Device Type");
    return true;
  }
  if (!(*resistor > 0)) {
    Show(prompts, "Output Current Error",
         "The calibration current resistor is 0 Ohms: the output currents cannot be checked.");
  }
  // False when the program is closing: the check ends where it stands.
  auto settle = [&](int polls) {
    for (int n = 0; n < polls; ++n) {
      session.GetStatus();
      if (!common::Delay(pause_ms)) return false;
    }
    return true;
  };
  if (!settle(5)) return true;

  for (int k = 0; k < monitor::kOutputs; ++k) {
    session.SetOutputDisabled(k, false);
    bool quitting = false;
    for (int n = 0; n < 30 && !quitting; ++n) {
      quitting = !common::Delay(pause_ms);
      if (!quitting) session.GetStatus();
    }
    if (quitting) {
      session.SetOutputDisabled(k, true);
      return true;
    }
    session.GetStatus();
    // The values as the window shows them: tenths of volts, whole milliamps.
    const monitor::StatusReading reading = session.LastStatus().value_or(monitor::StatusReading{});
    const monitor::OutputVerdict verdict = monitor::JudgeOutput(
        k, reading.volts[k] / 10.0, reading.amps[k], reading.mains / 10.0, *resistor);
    for (const monitor::CheckMessage& m : verdict.messages) {
      Show(prompts, Text(m.title), Text(m.text));
    }
    session.SetOutputDisabled(k, true);
    if (verdict.stop) return true;
  }
  settle(5);
  return true;
}

}  // namespace corvid
