#include "tessera/panel/about_box.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include "common/window_helpers.h"
#include "tessera/panel/panel_widgets.h"

namespace tessera::panel {
namespace {

QString Nibbles(std::uint8_t value, const char* separator) {
  return QString::number(value >> 4) + separator + QString::number(value & 0x0F);
}

}  // namespace

ProgramVersion TesseraVersion() {
  return {TESSERA_VERSION_MAJOR, TESSERA_VERSION_MINOR, TESSERA_VERSION_PATCH};
}

QString AboutText(const ProgramVersion& version, const UnitIdentity& identity) {
  QString first = QString("Tessera Version %1.%2").arg(version.major).arg(version.minor);
  if (version.revision != 0) first += "." + QString::number(version.revision);
  QStringList lines = {first, "ITS Cabinet Standard v01.02.17b", ""};
  if (identity.KalUnit) {
    lines << "TBX Firmware Version = " + Nibbles(identity.FirmwareType, "")
          << "TBX Firmware Revision = " + Nibbles(identity.FirmwareRevision, ".")
          << "TBX Comm Version = " + Nibbles(identity.CommVersion, ".");
  }
  return lines.join("\r\n");
}

AboutBox::AboutBox(const QString& text, QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle("About Tessera");
  setAccessibleName("About Tessera");
  setWindowModality(Qt::ApplicationModal);
  setAttribute(Qt::WA_DeleteOnClose);

  auto* frame = new QFrame(this);
  frame->setObjectName("fraAbout");
  frame->setFrameShape(QFrame::StyledPanel);
  frame->setAccessibleName("About");

  auto* logo = new QLabel(frame);
  logo->setObjectName("imgLogo");
  logo->setPixmap(LogoPicture(64));
  logo->setAccessibleName("Tessera logo");

  auto* title = new QLabel("Tessera", frame);
  title->setObjectName("Label1");
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title->setFont(big);
  title->setAccessibleName("Tessera");

  lbl_about_ = new QLabel(frame);
  lbl_about_->setObjectName("lblAbout");
  // QLabel breaks lines at LF; the text itself keeps its CR LF.
  lbl_about_->setText(QString(text).remove('\r'));
  lbl_about_->setAccessibleName(QString(text).remove('\r'));
  lbl_about_->setProperty("aboutText", text);

  auto* text_column = new QVBoxLayout;
  text_column->addWidget(title);
  text_column->addWidget(lbl_about_);
  text_column->addStretch();
  auto* row = new QHBoxLayout(frame);
  row->addWidget(logo, 0, Qt::AlignTop);
  row->addLayout(text_column);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(frame);

  common::CloseOnAnyClick(this);
}

QString AboutBox::Text() const { return lbl_about_->property("aboutText").toString(); }

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  adjustSize();
  common::CentreOnScreen(this);
}

}  // namespace tessera::panel
