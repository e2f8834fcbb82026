// The read-only text box of a log window. Text is added in slices
// through the event loop, so a log of tens of thousands of lines never freezes the
// window; once all of it is in, the newest read is brought into view.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <string_view>

class QTimer;

namespace tessera::logs {

class LogView : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit LogView(QWidget* parent = nullptr);

  // Adds one read (lines ending in CR LF), after a blank line when `separate`. When it
  // is all shown the caret goes to the end and then back to the read's first line.
  void AppendRead(std::string_view text, bool separate);
  // Empties the box, also of text still waiting to be shown.
  void ClearAll();
  // Text is still waiting to be shown.
  bool CatchingUp() const { return !pending_.isEmpty(); }

 signals:
  // Everything appended so far is shown and the newest read is in view.
  void CaughtUp();

 private:
  void ShowSlice();

  QString pending_;      // display text not yet in the document
  int pending_end_ = 0;  // document end once pending_ is in
  int newest_read_ = 0;  // where the newest read starts in the document
  QTimer* slicer_;
};

}  // namespace tessera::logs
