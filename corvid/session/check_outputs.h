// Check Outputs: switches each output on in turn, lets it settle, and compares
// what the device measures with the mains voltage and the calibration resistor.
// It drives the session (the output disables and the status command) and talks to
// the technician only through the prompts, so it runs with or without a window.
#pragma once

namespace common {
class Prompts;
}

namespace corvid {

class Session;

inline constexpr int kCheckPauseMs = 100;

// Runs the whole check; returns when it has ended (normally or early). Poll ticks
// go on in its pauses; the link keeps their exchanges apart from its own. Refused
// (false, nothing sent) while a calibration holds the outputs.
bool CheckOutputs(Session& session, common::Prompts& prompts, int pause_ms = kCheckPauseMs);

}  // namespace corvid
