// Check Outputs as Corvid runs it: the step machine of output_check_procedure.h driven
// against the session (output disables, GetStatus and its last reading), its pauses on
// a timer so that polling and the window go on between. It talks to the technician
// only through the prompts, so it runs with or without a window.
#pragma once

#include <QObject>
#include <QTimer>
#include <optional>

#include "common/qtcore/prompts.h"
#include "corvid/core/output_check_procedure.h"

namespace corvid {

class Session;

inline constexpr int kCheckPauseMs = monitor::OutputCheckProcedure::kPauseMs;

class CheckOutputsRun : public QObject {
  Q_OBJECT
 public:
  CheckOutputsRun(Session& session, common::Prompts& prompts, QObject* parent = nullptr);
  // Gone while running (the program closing): the output under test is switched off.
  ~CheckOutputsRun() override;

  // Begins the check; false (nothing sent) while a calibration holds the outputs.
  bool Start();
  bool Running() const { return procedure_.has_value(); }
  // Every pause scaled from its 100 ms to this (tests, the terminal tool's option).
  void SetPauseMs(int ms) { pause_ms_ = ms; }

 signals:
  // The check has ended, normally or early; the outputs are free again.
  void Finished();

 private:
  void Step();
  void End();

  Session& session_;
  common::Prompts& prompts_;
  QTimer pause_;
  std::optional<monitor::OutputCheckProcedure> procedure_;
  std::optional<common::BusyGuard> hourglass_;
  int pause_ms_ = kCheckPauseMs;
};

}  // namespace corvid
