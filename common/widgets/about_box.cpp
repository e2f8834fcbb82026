#include "common/widgets/about_box.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "common/widgets/window_helpers.h"

namespace common {
namespace {

QFont Emphasised(QFont font) {
  font.setPointSizeF(font.pointSizeF() * 1.5);
  font.setBold(true);
  return font;
}

}  // namespace

AboutBox::AboutBox(const AboutContent& content, QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle(content.window_title);
  setAccessibleName(content.window_title);
  setWindowModality(Qt::ApplicationModal);

  auto* frame = new QFrame(this);
  frame->setObjectName("fraAbout");
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setAccessibleName(content.window_title);

  auto* logo = new QLabel(frame);
  logo->setObjectName("imgLogo");
  logo->setPixmap(content.logo);
  logo->setAccessibleName(content.logo_name);

  auto* column = new QVBoxLayout;
  if (!content.heading.isEmpty()) {
    auto* heading = new QLabel(content.heading, frame);
    heading->setObjectName("Label1");
    heading->setAccessibleName(content.heading);
    heading->setFont(Emphasised(heading->font()));
    column->addWidget(heading);
  }
  about_label_ = new QLabel(frame);
  about_label_->setObjectName("lblAbout");
  if (content.heading.isEmpty()) about_label_->setFont(Emphasised(about_label_->font()));
  column->addWidget(about_label_);
  column->addStretch();
  SetText(content.text);

  auto* row = new QHBoxLayout(frame);
  row->addWidget(logo, 0, Qt::AlignTop);
  row->addLayout(column, 1);
  (new QVBoxLayout(this))->addWidget(frame);
  CloseOnAnyClick(this);
}

void AboutBox::SetText(const QString& text) {
  text_ = text;
  // QLabel breaks lines at LF; the text itself keeps its CR LF.
  const QString shown = QString(text).remove('\r');
  about_label_->setText(shown);
  about_label_->setAccessibleName(shown);
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  adjustSize();
  CentreOnScreen(this);
}

}  // namespace common
