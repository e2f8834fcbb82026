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
    if (!file.open(QIODevice::WriteOnly)) {
      error = file.errorString();
    } else if (file.write(content.data(), static_cast<qint64>(content.size())) !=
               static_cast<qint64>(content.size())) {
      error = file.errorString();
      file.cancelWriting();
    } else if (!file.commit()) {
      error = file.errorString();
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
