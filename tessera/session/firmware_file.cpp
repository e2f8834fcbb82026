#include "tessera/session/firmware_file.h"

#include <QFile>
#include <QFileInfo>

#include "common/qtcore/prompts.h"

namespace tessera::flash {
namespace {

constexpr char kErrorSource[] = "Tessera";

// False for an empty path; otherwise whether there is a directory entry.
bool FileExists(const QString& path) { return !path.isEmpty() && QFileInfo::exists(path); }

}  // namespace

bool ReportError(common::Prompts& prompts, const FileError& error, bool& aborted) {
  const common::Answer answer =
      prompts.Show({.title = kErrorSource,
                    .text = QString::fromStdString(ReportErrorText(error)),
                    .buttons = common::Buttons::kAbortRetryIgnore,
                    .icon = common::Icon::kCritical,
                    .detail = {}});
  if (answer == common::Answer::kAbort) aborted = true;
  return answer == common::Answer::kRetry;
}

bool FirmwareFile::OpenFileToRead(const QString& path, const std::string& shown) {
  CloseFiles();
  for (;;) {
    if (!FileExists(path)) {
      prompts_.Show({.title = kOpenTitle,
                     .text = QString::fromStdString(FileNotFoundText(shown)),
                     .buttons = common::Buttons::kOk,
                     .icon = common::Icon::kCritical,
                     .detail = {}});
      return false;
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      // A bounded read: a device node or a huge file chosen by mistake must not
      // fill the memory.
      const QByteArray bytes = file.read(kMaxFileBytes + 1);
      if (file.error() == QFileDevice::NoError) {
        too_large_ = bytes.size() > kMaxFileBytes;
        reader_.emplace(too_large_ ? std::string() : bytes.toStdString());
        return true;
      }
    }
    const FileError error{.number = static_cast<long>(file.error()),
                          .routine = kOpenFileToReadRoutine,
                          .source = kErrorSource,
                          .line = std::nullopt,
                          .context = OpenFileToReadContext(shown),
                          .description = file.errorString().toStdString()};
    if (!ReportError(prompts_, error, aborted_)) return false;
  }
}

void FirmwareFile::CloseFiles() {
  reader_.reset();
  too_large_ = false;
}

bool FirmwareFile::AtEnd() const {
  if (too_large_) return false;
  return !reader_ || reader_->AtEnd();
}

bool FirmwareFile::GetRecord(std::string& line) {
  if (!reader_ || too_large_) return false;
  return reader_->GetRecord(line);
}

void FirmwareFile::Rewind() {
  if (reader_) reader_->Rewind();
}

}  // namespace tessera::flash
