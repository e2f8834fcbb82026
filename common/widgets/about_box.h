// The About window of both programs: a logo, an optional heading and the program's
// text; modal, centred, and closed by a click anywhere on it.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;

namespace common {

struct AboutContent {
  QString window_title;  // "About Tessera"
  QString heading;       // big line above the text; empty: the text itself is big
  QString text;          // lines may end with CR LF; shown with LF
  QPixmap logo;
  QString logo_name;  // what a screen reader says for the logo
};

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(const AboutContent& content, QWidget* parent = nullptr);
  // The text exactly as given (CR LF kept).
  QString Text() const { return text_; }
  void SetText(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString text_;
  QLabel* about_label_;
};

}  // namespace common
