// Writing a log window's text to a report file. The file is replaced only once the
// whole report is on disk, so a save that fails leaves an earlier report intact.
#pragma once

#include <QObject>
#include <QString>
#include <string_view>

namespace common {
class Prompts;
}

namespace tessera::logs {

// Writes the shown text plus CR LF (ReportFileContent) to `path`. On failure shows
// the system's reason in an exclamation box titled "Tessera", with the path below it,
// over `owner` (the window saved from), and returns false.
bool SaveReport(common::Prompts& prompts, const QString& path, std::string_view shown_text,
                QObject* owner = nullptr);

}  // namespace tessera::logs
