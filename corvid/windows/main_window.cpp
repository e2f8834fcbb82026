#include "corvid/windows/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "common/qtcore/prompts.h"
#include "common/widgets/about_box.h"
#include "common/widgets/indicator.h"
#include "common/widgets/link_trace_window.h"
#include "common/widgets/picture.h"
#include "common/widgets/window_helpers.h"
#include "common/widgets/window_placement.h"
#include "corvid/link/settings_store.h"
#include "corvid/windows/about_dialogs.h"
#include "corvid/windows/calibration_windows.h"
#include "corvid/windows/comm_box.h"
#include "corvid/windows/pictures.h"

namespace corvid::monitor {

namespace {

using common::Named;

using common::ArrayName;

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);

// Design colours of shpSignal 0-5.
const std::array<QColor, kOutputs> kSignalColours = {kRed, kYellow, kGreen, kRed, kYellow, kGreen};
const std::array<QString, kOutputs> kRowNames = {"lblCh1Red", "lblCh1Yel", "lblCh1Grn",
                                                 "lblCh2Red", "lblCh2Yel", "lblCh2Grn"};
const std::array<QString, 3> kColourCaptions = {"Red", "Yellow", "Green"};

QString OutputTitle(int i) {
  return QStringLiteral("Channel %1 %2").arg(i / 3 + 1).arg(kColourCaptions[i % 3]);
}

QString Caption(const QString& text) { return QString(text).remove('&'); }

QGroupBox* Frame(const QString& name, const QString& caption, QWidget* parent) {
  return Named(new QGroupBox(caption, parent), name, caption);
}

QLabel* Label(const QString& name, const QString& text, QWidget* parent) {
  return Named(new QLabel(text, parent), name, text);
}

QCheckBox* Check(const QString& name, const QString& caption, const QString& accessible,
                 QWidget* parent) {
  return Named(new QCheckBox(caption, parent), name, accessible);
}

// Value boxes show what the device reports; typing into them reaches nothing.
QLineEdit* ValueBox(const QString& name, const QString& accessible, const QString& text,
                    QWidget* parent, int width = 56) {
  auto* box = Named(new QLineEdit(text, parent), name, accessible);
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignRight);
  box->setFixedWidth(width);
  return box;
}

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), text.size()); }

common::Message Box(const QString& title, const QString& text, common::Icon icon) {
  common::Message message;
  message.title = title;
  message.text = text;
  message.buttons = common::Buttons::kOk;
  message.icon = icon;
  return message;
}

// Every poll rewrites the boxes; most of the time nothing changed, so skip the repaint.
void SetText(QLineEdit* box, const QString& text) {
  if (box->text() != text) box->setText(text);
}

}  // namespace

MainWindow::MainWindow(CorvidApp& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setObjectName("frmMain");
  setWindowTitle("Corvid");
  setAccessibleName("Corvid");
  BuildWindow();
  BuildMenus();
  BuildStatusBar();
  SetTabOrder();

  // Driven by the guided calibration; idle here.
  tmr_calibrate_ = new QTimer(this);
  tmr_calibrate_->setObjectName("tmrCalibrate");
  tmr_calibrate_->setInterval(500);

  comm_box_ = new CommBox(app_.Port(), app_.prompts(), app_.settings(), app_.store(), this);
  common::PlaceBesideMainWindow(comm_box_, this, "PortSettings");
  comm_box_->SetSimulated(app_.Simulated());
  connect(comm_box_, &CommBox::PortOpened, this, [this](int port_number) {
    sb_panels_[1]->setText("PC Comm Port = " + QString::number(port_number));
  });
  ConnectSession();
  calibration_ = new calibration::CalibrationWindows(app_, *this);
}

MainWindow::~MainWindow() {
  // The session outlives the window: a run ended by the window's going must not
  // reach controls already deleted.
  disconnect(&session(), nullptr, this, nullptr);
}

void MainWindow::ConnectSession() {
  Session& s = session();
  common::GateTicksOnMenus(s.Loop(), this);
  connect(&s, &Session::SlotAddressChanged, this, [this](int slot) {
    const QSignalBlocker blocker(cmb_address_);
    cmb_address_->setCurrentIndex(slot - 1);
  });
  connect(&s, &Session::PortTextChanged, sb_panels_[1], &QLabel::setText);
  connect(&s, &Session::LayoutChanged, this, &MainWindow::ApplyStatusLayout);
  connect(&s, &Session::StatusChanged, this, &MainWindow::ShowStatus);
  connect(&s, &Session::DiagnosticChanged, this, &MainWindow::ShowDiagnostic);
  connect(&s, &Session::IdentityChanged, this, &MainWindow::ShowIdentity);
  connect(&s, &Session::RespondingChanged, this, &MainWindow::ShowResponding);
  connect(&s, &Session::CountersChanged, this, &MainWindow::ShowCounters);
  connect(&s, &Session::DisablesChanged, this, &MainWindow::ShowDisables);
  // Check Outputs is offered while nothing else drives the outputs.
  connect(&s, &Session::OutputsHolderChanged, this, [this](Session::OutputsUser holder) {
    cmd_check_outputs_->setEnabled(holder == Session::OutputsUser::kNone);
  });
  connect(cmb_address_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) session().SetSlotAddress(index + 1);
  });
  for (int i = 0; i < kOutputs; ++i) {
    connect(chk_out_disable_[i], &QCheckBox::toggled, this,
            [this, i](bool checked) { session().SetOutputDisabled(i, checked); });
  }
  for (int c = 0; c < 2; ++c) {
    connect(chk_fault_led_[c], &QCheckBox::toggled, this,
            [this, c](bool checked) { session().SetFaultLed(c, checked); });
  }
}

void MainWindow::BuildWindow() {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* columns = new QHBoxLayout(central);

  auto* left = new QVBoxLayout;
  auto* top_left = new QHBoxLayout;
  top_left->addWidget(BuildStatusFrame(), 1);
  top_left->addWidget(BuildMainsFrame(), 1);
  left->addLayout(top_left);
  // A larger window gives its room to the frames, most to the field outputs and
  // the diagnostics, instead of leaving it empty below them.
  left->addWidget(BuildFieldFrame(), 3);

  auto* id_row = new QHBoxLayout;
  lbl_device_id_ = Label("lblDeviceID", "Device ID:", central);
  txt_device_id_ = ValueBox("txtDeviceID", "Device ID", "", central);
  txt_device_id_->setAlignment(Qt::AlignLeft);
  txt_device_id_->setMinimumWidth(260);
  txt_device_id_->setMaximumWidth(QWIDGETSIZE_MAX);
  id_row->addWidget(lbl_device_id_);
  id_row->addWidget(txt_device_id_, 1);
  left->addLayout(id_row);
  left->addWidget(BuildStatusROFrame(), 1);

  auto* buttons = new QHBoxLayout;
  img_24v_low_ = new Picture("img24Vlow", "24VDC low", LowVoltagePixmap(), central);
  img_24v_low_->SetShown(false);
  cmd_check_outputs_ =
      Named(new QPushButton("Check Outputs", central), "cmdCheckOutputs", "Check Outputs");
  cmd_cal_auto_ = Named(new QPushButton("Full Calibrate", central), "cmdCalAuto", "Full Calibrate");
  // Opening the Calibrate menu makes the full calibration available.
  cmd_cal_auto_->setEnabled(false);
  connect(cmd_check_outputs_, &QPushButton::clicked, this,
          [this] { session().RunWhenIdle([this] { CheckOutputs(); }); });
  buttons->addWidget(img_24v_low_);
  buttons->addStretch(1);
  buttons->addWidget(cmd_check_outputs_);
  buttons->addWidget(cmd_cal_auto_);
  left->addLayout(buttons);

  auto* right = new QVBoxLayout;
  right->addWidget(BuildOutputDisableFrame(), 1);
  right->addWidget(BuildFaultIndicatorFrame(), 1);
  right->addWidget(BuildAddressFrame());
  right->addWidget(BuildDiagnosticFrame(), 2);

  columns->addLayout(left, 3);
  columns->addLayout(right, 2);
}

void MainWindow::SetTabOrder() {
  // The controls a technician operates come first; the read-only value boxes follow,
  // still reachable for a screen reader.
  QList<QWidget*> order;
  for (QCheckBox* box : chk_out_disable_) order << box;
  for (QCheckBox* box : chk_fault_led_) order << box;
  order << cmb_address_ << cmd_check_outputs_ << cmd_cal_auto_ << cmd_clear_errors_;
  order << txt_mains_voltage_;
  for (int i = 0; i < kOutputs; ++i) order << txt_field_volts_[i] << txt_field_amps_[i];
  order << txt_device_id_ << txt_temperature_;
  for (QLineEdit* box : txt_counters_) order << box;
  order << txt_data_flash_errors_;
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QWidget* MainWindow::BuildStatusFrame() {
  auto* frame = Frame("fraStatus", "Status", this);
  fra_status_ = frame;
  auto* row = new QHBoxLayout(frame);
  shp_responding_ = new common::Indicator("shpResponding", "Device responding", kGreen, frame, 18);
  shp_responding_->SetFilled(true);
  shp_responding_->setAccessibleDescription("responding");
  img_not_responding_ =
      new Picture("imgNotResponding", "Device not responding", DeviceNotRespondingPixmap(), frame);
  lbl_respnding_ = Label("lblRespnding", "Device Not Responding", frame);
  // Shape and picture share one cell of one size, and the text keeps its place and
  // width whichever of the two texts it shows: nothing around it moves.
  auto* cell = new QGridLayout;
  cell->setContentsMargins(0, 0, 0, 0);
  cell->addWidget(shp_responding_, 0, 0, Qt::AlignCenter);
  cell->addWidget(img_not_responding_, 0, 0, Qt::AlignCenter);
  const int side = std::max(shp_responding_->sizeHint().width(), img_not_responding_->width());
  cell->setColumnMinimumWidth(0, side);
  cell->setRowMinimumHeight(0, side);
  lbl_respnding_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lbl_respnding_->setMinimumWidth(
      lbl_respnding_->fontMetrics().horizontalAdvance("Device Not Responding"));
  row->addLayout(cell);
  row->addWidget(lbl_respnding_, 1);
  return frame;
}

QWidget* MainWindow::BuildMainsFrame() {
  fra_mains_ = Frame("fraMains", "Mains", this);
  auto* row = new QHBoxLayout(fra_mains_);
  row->addWidget(Label("Label1", "Signal Voltage", fra_mains_));
  txt_mains_voltage_ = ValueBox("txtMainsVoltage", "Signal voltage", "0.0", fra_mains_);
  row->addWidget(txt_mains_voltage_);
  row->addWidget(Label("Label2", "Vrms", fra_mains_));
  row->addStretch(1);
  return fra_mains_;
}

QWidget* MainWindow::BuildFieldFrame() {
  fra_field_status_ = Frame("fraFieldStatus", "Field Outputs", this);
  auto* outer = new QVBoxLayout(fra_field_status_);
  for (int channel = 0; channel < 2; ++channel) {
    auto* frame = Frame(ArrayName("fraField", channel),
                        QStringLiteral("Channel %1").arg(channel + 1), fra_field_status_);
    auto* grid = new QGridLayout(frame);
    for (int row = 0; row < 3; ++row) {
      const int i = channel * 3 + row;
      const QString title = OutputTitle(i);
      lbl_rows_[i] = Label(kRowNames[i], kColourCaptions[row], frame);
      lbl_rows_[i]->setMinimumWidth(48);
      shp_signal_[i] = new common::Indicator(ArrayName("shpSignal", i), title + " output",
                                             kSignalColours[i], frame, 18);
      // Channel 2 starts with the wider placeholders until the first status poll.
      txt_field_volts_[i] = ValueBox(ArrayName("txtFieldVolts", i), title + " field voltage",
                                     channel == 0 ? "0.0" : "000.0", frame);
      txt_field_amps_[i] = ValueBox(ArrayName("txtFieldAmps", i), title + " field current",
                                    channel == 0 ? "0" : "0000", frame);
      img_fault_[i] = new Picture(ArrayName("imgFault", i), title + " fault", FaultPixmap(), frame);
      grid->addWidget(lbl_rows_[i], row, 0);
      grid->addWidget(shp_signal_[i], row, 1);
      grid->addWidget(txt_field_volts_[i], row, 2);
      grid->addWidget(Label(ArrayName("lblVoltsUnit", i), "Vrms", frame), row, 3);
      grid->addWidget(txt_field_amps_[i], row, 4);
      grid->addWidget(Label(ArrayName("lblAmpsUnit", i), "mArms", frame), row, 5);
      grid->addWidget(img_fault_[i], row, 6);
    }
    grid->setColumnStretch(7, 1);
    outer->addWidget(frame);
  }
  return fra_field_status_;
}

QWidget* MainWindow::BuildOutputDisableFrame() {
  auto* frame = Frame("fraOutputDisable", "Output Disable", this);
  auto* row = new QHBoxLayout(frame);
  for (int channel = 0; channel < 2; ++channel) {
    auto* sub = Frame(ArrayName("fraChannel", channel),
                      QStringLiteral("Channel %1").arg(channel + 1), frame);
    auto* column = new QVBoxLayout(sub);
    for (int k = 0; k < 3; ++k) {
      const int i = channel * 3 + k;
      chk_out_disable_[i] = Check(ArrayName("chkOutDisable", i), kColourCaptions[k],
                                  OutputTitle(i) + " disable", sub);
      // Nothing may drive an output before the technician asks for it.
      chk_out_disable_[i]->setChecked(true);
      column->addWidget(chk_out_disable_[i]);
    }
    row->addWidget(sub);
  }
  return frame;
}

QWidget* MainWindow::BuildFaultIndicatorFrame() {
  auto* frame = Frame("fraFaultIndicator", "Fault Indicator", this);
  auto* grid = new QGridLayout(frame);
  for (int channel = 0; channel < 2; ++channel) {
    const QString caption = QStringLiteral("Channel %1").arg(channel + 1);
    chk_fault_led_[channel] =
        Check(ArrayName("chkFaultLED", channel), caption, caption + " fault indicator", frame);
    shp_fault_[channel] = new common::Indicator(
        ArrayName("shpFault", channel), caption + " fault indicator lamp", kBlue, frame, 18);
    connect(chk_fault_led_[channel], &QCheckBox::toggled, shp_fault_[channel],
            &common::Indicator::SetFilled);
    grid->addWidget(chk_fault_led_[channel], channel, 0);
    grid->addWidget(shp_fault_[channel], channel, 1);
  }
  grid->setColumnStretch(2, 1);
  return frame;
}

QWidget* MainWindow::BuildAddressFrame() {
  auto* frame = Frame("fraAddress", "Slot Address", this);
  cmb_address_ = Named(new QComboBox(frame), "cmbAddress", "Slot Address");
  cmb_address_->addItems(SlotAddressEntries());
  auto* row = new QHBoxLayout(frame);
  row->addWidget(cmb_address_);
  row->addStretch(1);
  return frame;
}

QWidget* MainWindow::BuildStatusROFrame() {
  auto* frame = Named(new QGroupBox(this), "fraStatusRO", "Device status");
  auto* column = new QVBoxLayout(frame);
  const std::array<QString, 4> captions = {"24VDC Low", "Reset Since Last Poll",
                                           "Last RMS Period Lost", "Diagostic Fail"};
  for (int k = 0; k < 4; ++k) {
    chk_status_[k] = Check(ArrayName("chkStatus", k), captions[k], captions[k], frame);
    column->addWidget(chk_status_[k]);
  }
  // Indicators only: the device sets them.
  frame->setEnabled(false);
  return frame;
}

QWidget* MainWindow::BuildDiagnosticFrame() {
  auto* frame = Frame("fraDiagnostic", "VELD Diagnostic", this);
  auto* grid = new QGridLayout(frame);
  auto add_row = [&](int row, const QString& name, const QString& caption) {
    grid->addWidget(Label("lbl" + name.mid(3), caption, frame), row, 0);
    auto* box = ValueBox(name, caption, "--", frame);
    grid->addWidget(box, row, 1);
    return box;
  };
  txt_temperature_ = add_row(0, "txtTemperature", "Temperature");
  grid->addWidget(Label("lblTemperatureUnit", "oF", frame), 0, 2);
  txt_counters_[0] = add_row(1, "txtCRCErrors", "CRC Errors");
  txt_counters_[1] = add_row(2, "txtRxOverflows", "Rx Overflows");
  txt_counters_[2] = add_row(3, "txtRegErrors", "3911 Reg Errors");
  txt_counters_[3] = add_row(4, "txtRxErrors", "Rx Errors");
  txt_data_flash_errors_ = add_row(5, "txtDataFlashErrors", "Data Flash Errors");
  txt_data_flash_errors_->setEnabled(false);
  img_reg_fault_ = new Picture("imgRegFault", "Register fault", FaultPixmap(), frame);
  img_data_flash_fault_ =
      new Picture("imgDataFlashFault", "Data flash fault", FaultPixmap(), frame);
  img_reg_fault_->SetShown(false);
  img_data_flash_fault_->SetShown(false);
  grid->addWidget(img_reg_fault_, 3, 2);
  grid->addWidget(img_data_flash_fault_, 5, 2);
  cmd_clear_errors_ =
      Named(new QPushButton("Clear Errors", frame), "cmdClearErrors", "Clear Errors");
  connect(cmd_clear_errors_, &QPushButton::clicked, this, [this] { session().ClearErrors(); });
  grid->addWidget(cmd_clear_errors_, 6, 0, 1, 3);
  grid->setColumnStretch(3, 1);
  return frame;
}

void MainWindow::BuildMenus() {
  auto add_menu = [this](const QString& name, const QString& caption) {
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    menu->setAccessibleName(Caption(caption));
    return menu;
  };
  auto add_item = [](QMenu* menu, const QString& name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
  };
  auto add_separator = [](QMenu* menu, const QString& name) {
    menu->addSeparator()->setObjectName(name);
  };

  QMenu* port = add_menu("mnuPort", "&Port");
  connect(add_item(port, "mnuPortSettings", "&Settings"), &QAction::triggered, this,
          &MainWindow::ShowPortDialog);
  connect(add_item(port, "mnuLinkTrace", "&Link Trace"), &QAction::triggered, this,
          &MainWindow::ShowLinkTrace);

  // The calibration windows attach themselves to these items.
  mnu_calibrate_ = add_menu("mnuCalibrate", "&Calibrate");
  auto_calibrate_item_ = add_item(mnu_calibrate_, "mnuCalAuto", "Auto");
  add_separator(mnu_calibrate_, "mnuSeparator1");
  add_item(mnu_calibrate_, "mnuCalVoltage", "Voltage")->setEnabled(false);
  add_item(mnu_calibrate_, "mnuCalCurrent", "Current")->setEnabled(false);
  manual_calibrate_item_ = add_item(mnu_calibrate_, "mnuCalManual", "Manual");
  add_separator(mnu_calibrate_, "mnuSeparator2");
  calibration_settings_item_ = add_item(mnu_calibrate_, "mnuCalSettings", "Calibration Settings");

  QMenu* help = add_menu("mnuHelp", "&Help");
  connect(add_item(help, "mnuHelpItem", "&Help"), &QAction::triggered, this,
          [this] { session().RunWhenIdle([this] { ShowHelp(); }); });
  connect(add_item(help, "mnuAboutDevice", "About Vanta Device"), &QAction::triggered, this,
          &MainWindow::ShowAboutDevice);
  connect(add_item(help, "mnuAboutPgm", "&About Corvid"), &QAction::triggered, this,
          &MainWindow::ShowAbout);
}

void MainWindow::BuildStatusBar() {
  auto* bar = new QStatusBar(this);
  bar->setObjectName("sbStatus");
  bar->setAccessibleName("Status bar");
  bar->setSizeGripEnabled(false);
  setStatusBar(bar);
  const std::array<QString, 5> texts = {"Device Type = ?", "PC Comm Port = ?", "CRC Errors = 0",
                                        "Rx Timeouts = 0", "Rx NAKs= 0"};
  const std::array<QString, 5> roles = {"Device type", "PC comm port", "CRC errors", "Rx timeouts",
                                        "Rx NAKs"};
  // Counts up to 9 999 999 stay whole at the default window size.
  const std::array<QString, 5> widest = {"Device Type = VELD-VHV", "PC Comm Port = Simulated",
                                         "CRC Errors = 9999999", "Rx Timeouts = 9999999",
                                         "Rx NAKs = 9999999"};
  for (int i = 0; i < 5; ++i) {
    sb_panels_[i] = common::AddStatusPanel(bar, ArrayName("sbStatus", i + 1), roles[i], texts[i],
                                           widest[i], i < 2 ? 2 : 1);
  }
  sb_panels_[0]->setToolTip("Switch Pack Type");
  sb_panels_[1]->setToolTip("Computer Comm Port Number");
}

void MainWindow::MarkSimulated() {
  setWindowTitle("Corvid - SIMULATED DEVICE");
  if (lbl_simulated_ == nullptr) {
    lbl_simulated_ = Label("lblSimulated", "SIMULATED", statusBar());
    lbl_simulated_->setStyleSheet(
        "QLabel { color: white; background: #b00000; padding: 0 6px; "
        "font-weight: bold; }");
    lbl_simulated_->setToolTip("Talking to the built-in simulated device, not a serial port");
    statusBar()->addPermanentWidget(lbl_simulated_);
  }
}

void MainWindow::Load() {
  common::CentreOnScreen(this);
  move(pos() + QPoint(33, 0));  // about 500 twips right of the middle

  // Start in the state the label names, so the first good answer switches to
  // "Device Responding" (a green shape under "Device Not Responding" misleads).
  shp_responding_->setVisible(false);
  img_not_responding_->SetShown(true);
  for (int i = 0; i < kOutputs; ++i) {
    shp_signal_[i]->SetFilled(false);
    img_fault_[i]->SetShown(false);
  }
  for (common::Indicator* shape : shp_fault_) shape->SetFilled(false);
  chk_out_disable_[0]->setFocus();
  session().Start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  tmr_calibrate_->stop();
  session().Close();
  event->accept();
  QCoreApplication::quit();
}

void MainWindow::ShowCounters(const LinkCounters& c) {
  sb_panels_[2]->setText("CRC Error = " + QString::number(c.CrcErrorCount));
  sb_panels_[3]->setText("Rx Timeout = " + QString::number(c.RxTimeoutCount));
  sb_panels_[4]->setText("Rx NAKs = " + QString::number(c.RxNakCount));
}

void MainWindow::ShowDisables(std::uint8_t disables) {
  for (int i = 0; i < kOutputs; ++i) {
    const QSignalBlocker blocker(chk_out_disable_[i]);
    chk_out_disable_[i]->setChecked((disables >> i) & 1);
  }
}

void MainWindow::ShowResponding(bool ok) {
  shp_responding_->setVisible(ok);
  img_not_responding_->SetShown(!ok);
  lbl_respnding_->setText(ok ? "Device Responding" : "Device Not Responding");
  lbl_respnding_->setAccessibleName(lbl_respnding_->text());
  lbl_device_id_->setEnabled(ok);
  txt_device_id_->setEnabled(ok);
  if (ok) {
    common::EnableFrame(fra_mains_, true);
    common::EnableFrame(fra_field_status_, true);
  } else {
    txt_device_id_->clear();
  }
}

// ---- Command functions ----

void MainWindow::ApplyStatusLayout(StatusLayout layout) {
  const bool flash = layout == StatusLayout::kFlashUnit;
  const std::array<QString, 4> captions = flash
                                              ? std::array<QString, 4>{"1-1", "1-2", "2-1", "2-2"}
                                              : std::array<QString, 4>{"Red", "Yel", "Yel", "Grn"};
  const std::array<int, 4> rows = {0, 1, 4, 5};  // lblCh1Red, lblCh1Yel, lblCh2Yel, lblCh2Grn
  for (int k = 0; k < 4; ++k) {
    lbl_rows_[rows[k]]->setText(captions[k]);
    lbl_rows_[rows[k]]->setAccessibleName(captions[k]);
  }
  shp_signal_[1]->SetColour(flash ? kRed : kYellow);
  shp_signal_[4]->SetColour(flash ? kRed : kYellow);
  shp_signal_[5]->SetColour(flash ? kRed : kGreen);
}

void MainWindow::ShowStatus(const StatusReading& reading) {
  for (int k = 0; k < 4; ++k) chk_status_[k]->setChecked(reading.status_bits & (1 << k));
  img_24v_low_->SetShown(reading.status_bits & 1);
  SetText(txt_mains_voltage_, Text(FormatTenths(reading.mains)));
  for (int i = 0; i < kOutputs; ++i) {
    SetText(txt_field_volts_[i], Text(FormatTenths(reading.volts[i])));
    SetText(txt_field_amps_[i], QString::number(reading.amps[i]));
    img_fault_[i]->SetShown(reading.fault_bits & (1 << i));
    shp_signal_[i]->SetFilled(reading.on_bits & (1 << i));
  }
}

void MainWindow::ShowDiagnostic(const DiagnosticReading& reading) {
  SetText(txt_temperature_, QString::number(reading.temperature));
  for (int k = 0; k < 4; ++k) SetText(txt_counters_[k], Text(FormatCounter(reading.counters[k])));
  img_reg_fault_->SetShown(reading.fault_bits & 1);
  img_data_flash_fault_->SetShown(reading.fault_bits & 2);
}

void MainWindow::ShowIdentity(const DeviceIdentity& identity) {
  sb_panels_[0]->setText("Device Type = " + Text(DeviceTypeName(identity.device_type)));
  SetText(txt_device_id_, QString::fromLatin1(identity.module_id));
}

QRect MainWindow::WatchedReadings() const {
  QRect watched;
  for (const QWidget* frame :
       {fra_status_, static_cast<QWidget*>(fra_mains_), static_cast<QWidget*>(fra_field_status_)})
    watched |= QRect(frame->mapToGlobal(QPoint(0, 0)), frame->size());
  return watched;
}

// ---- Check Outputs ----

void MainWindow::CheckOutputs() {
  // The session refuses a check queued behind a calibration that has started since;
  // the button follows who holds the outputs.
  corvid::CheckOutputs(session(), app_.prompts(), check_pause_ms_);
}

// ---- Menus and dialogs ----

void MainWindow::ShowPortDialog() {
  comm_box_->Load();
  comm_box_->show();
  comm_box_->raise();
  comm_box_->activateWindow();
}

void MainWindow::ShowLinkTrace() {
  // One window, modeless: the poll goes on while it is open.
  if (link_trace_ == nullptr) {
    link_trace_ = new common::LinkTraceWindow(app_.Tap(), app_.prompts(), this);
    common::PlaceBesideMainWindow(link_trace_, this, "LinkTrace");
  }
  link_trace_->show();
  link_trace_->raise();
  link_trace_->activateWindow();
}

void MainWindow::ShowAboutDevice() {
  if (about_device_ == nullptr) about_device_ = new AboutDeviceDialog(this);
  about_device_->ShowFor(app_.state());
}

void MainWindow::ShowAbout() {
  if (about_box_ == nullptr) {
    const QString product = QCoreApplication::applicationName();
    about_box_ =
        new common::AboutBox({.window_title = "About " + product,
                              .heading = {},
                              .text = AboutText(product, QCoreApplication::applicationVersion()),
                              .logo = LogoPixmap(),
                              .logo_name = product + " logo"},
                             this);
  }
  about_box_->open();
}

void MainWindow::ShowHelp() {
  app_.prompts().Show(Box("You really need Help?",
                          "No Help is available. Would you like a tall Mai-Tai instead?",
                          common::Icon::kNone));
}

}  // namespace corvid::monitor
