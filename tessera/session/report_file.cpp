#include "tessera/session/report_file.h"

#include "common/qtcore/prompts.h"
#include "common/qtcore/save_text.h"
#include "tessera/core/report.h"

namespace tessera::logs {

bool SaveReport(common::Prompts& prompts, const QString& path, std::string_view shown_text,
                QObject* owner) {
  std::optional<QString> error;
  {
    common::BusyGuard hourglass(prompts);
    error = common::WriteWholeFile(path, ReportFileContent(shown_text));
  }
  if (!error) return true;
  // The system's words alone do not say which file.
  common::Message message;
  message.title = QStringLiteral("Tessera");
  message.text = *error;
  message.buttons = common::Buttons::kOk;
  message.icon = common::Icon::kWarning;
  message.detail = path;
  message.owner = owner;
  prompts.Show(message);
  return false;
}

}  // namespace tessera::logs
