// The firmware file on disk, opened by the path the user chose and read once, so
// the validation pass and every programming pass see the same lines even if the
// file changes meanwhile. Failures of the file routines are reported with
// ReportError's Abort/Retry/Ignore box.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "tessera/core/line_reader.h"

namespace common {
class Prompts;
}

namespace tessera::flash {

// ReportError: shows the failure (Abort/Retry/Ignore, error icon). True for Retry:
// the routine tries again. Ignore and Abort give false; Abort also sets `aborted`,
// and the program is to end at once.
bool ReportError(common::Prompts& prompts, const FileError& error, bool& aborted);

class FirmwareFile : public LineSource {
 public:
  // No firmware file comes near this size; a bigger one is not read into memory.
  static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

  explicit FirmwareFile(common::Prompts& prompts) : prompts_(prompts) {}

  // Opens and reads `path`. A missing file shows "File "<shown>" could not be found!"
  // (title "Open"); a file that will not open or read is reported with ReportError.
  // `shown` is the name the messages use (HexFileName).
  bool OpenFileToRead(const QString& path, const std::string& shown);
  // Nothing stays open; closing twice is no error.
  void CloseFiles();
  bool IsOpen() const { return reader_.has_value(); }
  // Abort was chosen in a report.
  bool Aborted() const { return aborted_; }

  bool AtEnd() const override;
  // False past the end, and for a file too large to be a firmware file (its first
  // line is never read, so the validation calls it a record error).
  bool GetRecord(std::string& line) override;
  void Rewind() override;

 private:
  common::Prompts& prompts_;
  std::optional<LineReader> reader_;
  bool too_large_ = false;
  bool aborted_ = false;
};

}  // namespace tessera::flash
