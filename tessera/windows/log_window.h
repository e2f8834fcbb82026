// What the two log windows share: the decoded text of every read since the last
// clear (LogText), the text box that shows it, the caption that says whether it was
// saved and where, saving it as a report, and hiding instead of closing.
#pragma once

#include <QWidget>
#include <string>

#include "tessera/core/log_text.h"
#include "tessera/core/report.h"

class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace tessera {
class TesseraApp;
}

namespace tessera::logs {

class LogView;

class LogWindow : public QWidget {
  Q_OBJECT
 public:
  // What the report file would hold: the shown text (LogText).
  const std::string& Text() const { return log_text_.Text(); }
  LogView* View() const { return view_; }
  // What the Save button does.
  void Save();

 protected:
  LogWindow(TesseraApp& app, const ReportWindow& texts, const QString& object_name,
            QWidget* parent);

  TesseraApp& App() { return app_; }
  QVBoxLayout* Column() const { return column_; }
  QPushButton* AddButton(const QString& name, const QString& caption);
  // The Save button, with a picture; added last in the row.
  QPushButton* AddSaveButton();
  void AppendRead(const std::string& decoded);
  // "Clear Display Buffer": text gone, caption "(unsaved)"; nothing sent.
  void ClearDisplay();
  void MarkUnsaved();

  // The window is only hidden: its text, caption and block number outlive it.
  void closeEvent(QCloseEvent* event) override;

 private:
  TesseraApp& app_;
  const ReportWindow& texts_;
  LogText log_text_;
  LogView* view_;
  QHBoxLayout* buttons_;
  QVBoxLayout* column_;
};

}  // namespace tessera::logs
