// The firmware update (Help, "&Firmware Update"): the step machine of update_sequence.h
// driven against the loader, the session and the firmware file. It talks to the user
// only through Prompts and to the unit only through the session, so the window and
// tessera-cli run the same procedure.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "tessera/core/update_sequence.h"
#include "tessera/session/firmware_file.h"

namespace common {
class Prompts;
}

namespace tessera {
class Session;
}

namespace tessera::flash {

class FlashLoader;

class UpdateProcedure : public QObject {
  Q_OBJECT
 public:
  UpdateProcedure(Session& session, FlashLoader& loader, common::Prompts& prompts,
                  QObject* parent = nullptr);

  // "&Firmware Update": runs the whole update. Not re-entrant: a second call while one runs
  // returns at once with kCancelled.
  UpdateResult Run();
  bool Running() const { return running_; }

 signals:
  // What the update does now (PhaseText): launch, erase, program, checksum, reboot;
  // empty once it is over. `counted`: ProgressChanged follows (the programming pass).
  void PhaseChanged(const QString& text, bool counted);
  // The progress bar's value; never 100.
  void ProgressChanged(int percent);
  // Records programmed and verified so far in this pass, of how many; (0, total)
  // when the pass starts.
  void RecordsDone(int done, int total);

 private:
  void Perform(const Action& action);
  // Asks an OK/Cancel question (warning icon, "Firmware Update Operation"); Cancel
  // is the default button.
  bool Confirm(const std::string& text);
  void SetPhase(UpdatePhase phase, int attempt = 1);

  // Runs an exchange with the unit again for as long as the port failed under it
  // and the user chose Retry in the report; Ignore or Abort stop the sequence.
  template <typename Operation>
  auto Guarded(Operation operation) {
    auto result = operation();
    while (!sequence_->Stopping() && PortFailed()) result = operation();
    return result;
  }
  // The port is gone (adapter pulled, device lost): reported with the Abort/Retry/
  // Ignore box. True for Retry.
  bool PortFailed();

  Session& session_;
  FlashLoader& loader_;
  common::Prompts& prompts_;
  FirmwareFile file_;
  std::optional<UpdateSequence> sequence_;
  std::optional<ProgrammingPass> pass_;
  std::uint32_t data_total_ = 0;
  bool running_ = false;
  QString phase_text_;  // of the phase shown now; empty: none
};

}  // namespace tessera::flash
