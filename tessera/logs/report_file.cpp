#include "tessera/logs/report_file.h"

#include <QSaveFile>

#include "common/prompts.h"
#include "tessera/logs/report.h"

namespace tessera::logs {

bool SaveReport(common::Prompts& prompts, const QString& path, std::string_view shown_text) {
  QString error;
  {
    common::BusyGuard hourglass(prompts);
    const std::string content = ReportFileContent(shown_text);
    QSaveFile file(path);
    // Unbuffered: a short write (disk full) shows up at the write, with the system's
    // reason, instead of being lost in a flush that the commit does not check.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
      error = file.errorString();
    } else {
      const auto size = static_cast<qint64>(content.size());
      for (qint64 done = 0; done < size && error.isEmpty();) {
        const qint64 written = file.write(content.data() + done, size - done);
        if (written <= 0) {
          error = file.errorString();
        } else {
          done += written;
        }
      }
      if (!error.isEmpty()) {
        file.cancelWriting();  // the earlier report stays as it was
      } else if (!file.commit()) {
        error = file.errorString();
      }
    }
  }
  if (error.isEmpty()) return true;
  prompts.Show({.title = QStringLiteral("Tessera"),
                .text = error,
                .buttons = common::Buttons::kOk,
                .icon = common::Icon::kWarning,
                .detail = {}});
  return false;
}

}  // namespace tessera::logs
