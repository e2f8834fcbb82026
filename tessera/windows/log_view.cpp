#include "tessera/windows/log_view.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>

namespace tessera::logs {
namespace {

// About 1 500 record lines: a few milliseconds of layout per slice.
constexpr int kSliceChars = 64 * 1024;

// The document keeps one paragraph per line: CR LF becomes one line break.
QString DisplayText(std::string_view text) {
  QString display = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  display.remove(QLatin1Char('\r'));
  return display;
}

}  // namespace

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent), slicer_(new QTimer(this)) {
  setObjectName("rtxtBuffer");
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  slicer_->setSingleShot(true);
  slicer_->setInterval(0);
  connect(slicer_, &QTimer::timeout, this, &LogView::ShowSlice);
}

void LogView::AppendRead(std::string_view text, bool separate) {
  if (pending_.isEmpty()) pending_end_ = document()->characterCount() - 1;
  QString display = DisplayText(text);
  if (separate) display.prepend(QLatin1Char('\n'));
  newest_read_ = pending_end_ + (separate ? 1 : 0);
  pending_end_ += static_cast<int>(display.size());
  pending_ += display;
  slicer_->start();
}

void LogView::ClearAll() {
  slicer_->stop();
  pending_.clear();
  pending_end_ = 0;
  newest_read_ = 0;
  clear();
}

void LogView::ShowSlice() {
  qsizetype cut = pending_.size();
  if (cut > kSliceChars) {
    // Whole lines only, so a half line never shows.
    const qsizetype line_end = pending_.indexOf(QLatin1Char('\n'), kSliceChars);
    cut = line_end < 0 ? pending_.size() : line_end + 1;
  }
  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  end.insertText(pending_.left(cut));
  pending_.remove(0, cut);
  if (!pending_.isEmpty()) {
    slicer_->start();
    return;
  }
  // The caret at the end, then back on the newest read's first line: that read is in view.
  moveCursor(QTextCursor::End);
  ensureCursorVisible();
  QTextCursor caret = textCursor();
  caret.setPosition(std::min(newest_read_, document()->characterCount() - 1));
  setTextCursor(caret);
  ensureCursorVisible();
  emit CaughtUp();
}

}  // namespace tessera::logs
