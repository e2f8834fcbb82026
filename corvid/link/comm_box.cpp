#include "corvid/link/comm_box.h"

#include "corvid/link/link_settings.h"

namespace corvid {

CommBox::CommBox(common::SerialPort& port, common::Prompts& prompts, LinkSettings& settings,
                 SettingsStore& store, QWidget* parent)
    : QDialog(parent), port_(port), prompts_(prompts), settings_(settings), store_(store) {
  setObjectName(QStringLiteral("frmCommBox"));
}
void CommBox::Load() {}
bool CommBox::ClickOK() { return false; }
void CommBox::ClickUSB() {}

}  // namespace corvid
