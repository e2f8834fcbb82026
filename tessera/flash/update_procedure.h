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

#include "tessera/flash/firmware_file.h"

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
    kAborted,       // Abort in a file error report: the program is to end now
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

  // mnuReFlash: runs the whole update. Not re-entrant: a second call while one runs
  // returns at once with kCancelled.
  UpdateResult Run();
  bool Running() const { return running_; }

 signals:
  // pgbProgress and lblReflashProgress are shown for a programming pass only.
  void ProgressShown(bool shown);
  // pgbProgress's value; never 100.
  void ProgressChanged(int percent);
  // Records programmed and verified so far in this pass, of how many; (0, total)
  // when the pass starts.
  void RecordsDone(int done, int total);

 private:
  UpdateResult Update();
  // Asks an OK/Cancel question (warning icon, "Firmware Update Operation").
  bool Confirm(const std::string& text);
  // One erase, program and verify attempt; the failure's text, if any.
  std::optional<std::string> Attempt(std::uint32_t expected_checksum);
  std::optional<std::string> ProgramFile();

  Session& session_;
  FlashLoader& loader_;
  common::Prompts& prompts_;
  FirmwareFile file_;
  std::string hex_file_name_;  // HexFileName
  std::uint32_t data_total_ = 0;
  int data_records_ = 0;
  bool running_ = false;
};

}  // namespace tessera::flash
