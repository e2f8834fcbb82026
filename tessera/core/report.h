// The text side of saving a log window as a report: what goes into the file, the
// save dialog's texts and the caption after a save. Writing the file is the
// window's job.
#pragma once

#include <string>
#include <string_view>

namespace tessera::logs {

// Texts of one log window's save.
struct ReportWindow {
  std::string_view unsaved_caption;  // before the first save and after a change
  std::string_view caption_base;     // followed by " (" + path + ")" after a save
  std::string_view dialog_title;
};
inline constexpr ReportWindow kEventLogReport{"Diagnostic Event Log (unsaved)",
                                              "Diagnostic Event Log", "Save Diagnostic Log As"};
inline constexpr ReportWindow kTransitionReport{"Transition Buffer Log (unsaved)",
                                                "Transition Buffer Log", "Save Transition Log As"};

// The save dialog starts from this name every time; no default extension is added.
inline constexpr std::string_view kReportFileName = "Untitled.txt";
// The dialog's two choices, report files first: description and pattern.
struct ReportFilter {
  std::string_view description;
  std::string_view pattern;
};
inline constexpr ReportFilter kReportFilters[] = {{"Report Files (*.TXT)", "*.txt"},
                                                  {"All Files (*.*)", "*.*"}};

// The window's caption after a successful save to `path`.
std::string SavedCaption(const ReportWindow& window, std::string_view path);

// The file's bytes: the shown text followed by CR LF. Every line break of the text
// becomes CR LF, so a text box that hands back bare LF (or CR) line ends still saves
// the report the unit's log was decoded into.
std::string ReportFileContent(std::string_view shown_text);

}  // namespace tessera::logs
