// The firmware update (Help, "&Firmware Update"): support check, caution, file
// choice and checks, loader launch, device codes, up to three erase, program and
// verify attempts, the final checksum, reboot, identify and the closing box. It
// talks to the user only through Prompts and to the unit only through the session,
// so the window and tessera-cli run the same procedure.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "tessera/core/update_steps.h"
#include "tessera/session/firmware_file.h"

namespace common {
class Prompts;
}

namespace tessera {
class Session;
}

namespace tessera::flash {

class FlashLoader;

// How an update ended, for the caller that has to act on it.
struct UpdateResult {
  enum class End {
    kCompleted,     // "Firmware Update Successfully Completed"
    kCancelled,     // the user said no at a question; the unit was not touched
    kFileRejected,  // the file was refused before anything was sent to the loader
    kUnitRefused,   // no reflash support, no launch, no or unsupported device codes
    kFailed,        // a failure once the erase was sent: the unit needs the update again
                    // (Ignore in a port failure report ends here too, or in
                    // kUnitRefused before the erase, with no closing box)
    kAborted,       // Abort in a file or port error report: the program is to end now
  };
  End end = End::kCancelled;
  std::string reason;           // the closing box's text; empty when none was shown
  bool erased = false;          // an erase request went out
  bool loader_running = false;  // the unit waits in its loader (polling stays stopped)
};

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
  UpdateResult Update();
  // Asks an OK/Cancel question (warning icon, "Firmware Update Operation"); Cancel
  // is the default button.
  bool Confirm(const std::string& text);
  // One erase, program and verify attempt (1-based); the failure's text, if any.
  std::optional<std::string> Attempt(int attempt, std::uint32_t expected_checksum);
  std::optional<std::string> ProgramFile(int attempt);
  void SetPhase(UpdatePhase phase, int attempt = 1);

  // Runs an exchange with the unit again for as long as the port failed under it
  // and the user chose Retry in the report; Ignore or Abort set stop_.
  template <typename Operation>
  auto Guarded(Operation operation) {
    auto result = operation();
    while (!stop_ && PortFailed()) result = operation();
    return result;
  }
  // The port is gone (adapter pulled, device lost): reported with the Abort/Retry/
  // Ignore box. True for Retry.
  bool PortFailed();

  Session& session_;
  FlashLoader& loader_;
  common::Prompts& prompts_;
  FirmwareFile file_;
  std::string hex_file_name_;  // HexFileName
  std::uint32_t data_total_ = 0;
  int data_records_ = 0;
  bool running_ = false;
  std::optional<UpdateResult::End> stop_;  // how the user ended the update in a port failure report
  QString phase_text_;                     // of the phase shown now; empty: none
};

}  // namespace tessera::flash
