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
#include "corvid/session/trend_recorder.h"
#include "corvid/windows/about_dialogs.h"
#include "corvid/windows/calibration_windows.h"
#include "corvid/windows/pictures.h"
#include "corvid/windows/port_dialog.h"
#include "corvid/windows/trend_window.h"

namespace corvid::monitor {

namespace {

using common::Named;

using common::ArrayName;

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);

// Design colours of the output lamps 0-5.
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

  check_outputs_ = new CheckOutputsRun(app_.session(), app_.prompts(), this);
  // Driven by the guided calibration; idle here.
  calibrate_timer_ = new QTimer(this);
  calibrate_timer_->setObjectName(calibration::GuidedCalibration::kStartTimerName);
  calibrate_timer_->setInterval(500);

  port_dialog_ = new PortDialog(app_.Port(), app_.prompts(), app_.settings(), app_.store(), this);
  common::PlaceBesideMainWindow(port_dialog_, this, "PortSettings");
  port_dialog_->SetSimulated(app_.Simulated());
  connect(port_dialog_, &PortDialog::PortOpened, this, [this](int port_number) {
    status_panels_[1]->setText("PC Comm Port = " + QString::number(port_number));
  });
  ConnectSession();
  // Recording starts with the program, whether or not the Trend window is ever opened.
  trend_recorder_ = new TrendRecorder(session(), this);
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
    const QSignalBlocker blocker(address_box_);
    address_box_->setCurrentIndex(slot - 1);
  });
  connect(&s, &Session::PortTextChanged, status_panels_[1], &QLabel::setText);
  connect(&s, &Session::LayoutChanged, this, &MainWindow::ApplyStatusLayout);
  connect(&s, &Session::StatusChanged, this, &MainWindow::ShowStatus);
  connect(&s, &Session::DiagnosticChanged, this, &MainWindow::ShowDiagnostic);
  connect(&s, &Session::IdentityChanged, this, &MainWindow::ShowIdentity);
  connect(&s, &Session::RespondingChanged, this, &MainWindow::ShowResponding);
  connect(&s, &Session::CountersChanged, this, &MainWindow::ShowCounters);
  connect(&s, &Session::DisablesChanged, this, &MainWindow::ShowDisables);
  // Check Outputs is offered while nothing else drives the outputs.
  connect(&s, &Session::OutputsHolderChanged, this, [this](Session::OutputsUser holder) {
    check_outputs_button_->setEnabled(holder == Session::OutputsUser::kNone);
  });
  connect(address_box_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) session().SetSlotAddress(index + 1);
  });
  for (int i = 0; i < kOutputs; ++i) {
    connect(output_disable_boxes_[i], &QCheckBox::toggled, this,
            [this, i](bool checked) { session().SetOutputDisabled(i, checked); });
  }
  for (int c = 0; c < 2; ++c) {
    connect(fault_indicator_boxes_[c], &QCheckBox::toggled, this,
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
  device_id_label_ = Label("lblDeviceID", "Device ID:", central);
  device_id_box_ = ValueBox("txtDeviceID", "Device ID", "", central);
  device_id_box_->setAlignment(Qt::AlignLeft);
  device_id_box_->setMinimumWidth(260);
  device_id_box_->setMaximumWidth(QWIDGETSIZE_MAX);
  id_row->addWidget(device_id_label_);
  id_row->addWidget(device_id_box_, 1);
  left->addLayout(id_row);
  left->addWidget(BuildStatusROFrame(), 1);

  auto* buttons = new QHBoxLayout;
  low_24v_picture_ = new Picture("img24Vlow", "24VDC low", LowVoltagePixmap(), central);
  low_24v_picture_->SetShown(false);
  check_outputs_button_ =
      Named(new QPushButton("Check Outputs", central), "cmdCheckOutputs", "Check Outputs");
  full_calibrate_button_ =
      Named(new QPushButton("Full Calibrate", central), "cmdCalAuto", "Full Calibrate");
  // Opening the Calibrate menu makes the full calibration available.
  full_calibrate_button_->setEnabled(false);
  connect(check_outputs_button_, &QPushButton::clicked, this,
          [this] { session().RunWhenIdle([this] { CheckOutputs(); }); });
  buttons->addWidget(low_24v_picture_);
  buttons->addStretch(1);
  buttons->addWidget(check_outputs_button_);
  buttons->addWidget(full_calibrate_button_);
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
  for (QCheckBox* box : output_disable_boxes_) order << box;
  for (QCheckBox* box : fault_indicator_boxes_) order << box;
  order << address_box_ << check_outputs_button_ << full_calibrate_button_ << clear_errors_button_;
  order << mains_voltage_box_;
  for (int i = 0; i < kOutputs; ++i) order << field_volts_boxes_[i] << field_amps_boxes_[i];
  order << device_id_box_ << temperature_box_;
  for (QLineEdit* box : counter_boxes_) order << box;
  order << data_flash_errors_box_;
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QWidget* MainWindow::BuildStatusFrame() {
  auto* frame = Frame("fraStatus", "Status", this);
  status_frame_ = frame;
  auto* row = new QHBoxLayout(frame);
  responding_lamp_ = new common::Indicator("shpResponding", "Device responding", kGreen, frame, 18);
  responding_lamp_->SetFilled(true);
  responding_lamp_->setAccessibleDescription("responding");
  not_responding_picture_ =
      new Picture("imgNotResponding", "Device not responding", DeviceNotRespondingPixmap(), frame);
  responding_label_ = Label("lblRespnding", "Device Not Responding", frame);
  // Shape and picture share one cell of one size, and the text keeps its place and
  // width whichever of the two texts it shows: nothing around it moves.
  auto* cell = new QGridLayout;
  cell->setContentsMargins(0, 0, 0, 0);
  cell->addWidget(responding_lamp_, 0, 0, Qt::AlignCenter);
  cell->addWidget(not_responding_picture_, 0, 0, Qt::AlignCenter);
  const int side = std::max(responding_lamp_->sizeHint().width(), not_responding_picture_->width());
  cell->setColumnMinimumWidth(0, side);
  cell->setRowMinimumHeight(0, side);
  responding_label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  responding_label_->setMinimumWidth(
      responding_label_->fontMetrics().horizontalAdvance("Device Not Responding"));
  row->addLayout(cell);
  row->addWidget(responding_label_, 1);
  return frame;
}

QWidget* MainWindow::BuildMainsFrame() {
  mains_frame_ = Frame("fraMains", "Mains", this);
  auto* row = new QHBoxLayout(mains_frame_);
  row->addWidget(Label("Label1", "Signal Voltage", mains_frame_));
  mains_voltage_box_ = ValueBox("txtMainsVoltage", "Signal voltage", "0.0", mains_frame_);
  row->addWidget(mains_voltage_box_);
  row->addWidget(Label("Label2", "Vrms", mains_frame_));
  row->addStretch(1);
  return mains_frame_;
}

QWidget* MainWindow::BuildFieldFrame() {
  field_frame_ = Frame("fraFieldStatus", "Field Outputs", this);
  auto* outer = new QVBoxLayout(field_frame_);
  for (int channel = 0; channel < 2; ++channel) {
    auto* frame = Frame(ArrayName("fraField", channel),
                        QStringLiteral("Channel %1").arg(channel + 1), field_frame_);
    auto* grid = new QGridLayout(frame);
    for (int row = 0; row < 3; ++row) {
      const int i = channel * 3 + row;
      const QString title = OutputTitle(i);
      row_labels_[i] = Label(kRowNames[i], kColourCaptions[row], frame);
      row_labels_[i]->setMinimumWidth(48);
      output_lamps_[i] = new common::Indicator(ArrayName("shpSignal", i), title + " output",
                                               kSignalColours[i], frame, 18);
      // Channel 2 starts with the wider placeholders until the first status poll.
      field_volts_boxes_[i] = ValueBox(ArrayName("txtFieldVolts", i), title + " field voltage",
                                       channel == 0 ? "0.0" : "000.0", frame);
      field_amps_boxes_[i] = ValueBox(ArrayName("txtFieldAmps", i), title + " field current",
                                      channel == 0 ? "0" : "0000", frame);
      fault_pictures_[i] =
          new Picture(ArrayName("imgFault", i), title + " fault", FaultPixmap(), frame);
      grid->addWidget(row_labels_[i], row, 0);
      grid->addWidget(output_lamps_[i], row, 1);
      grid->addWidget(field_volts_boxes_[i], row, 2);
      grid->addWidget(Label(ArrayName("lblVoltsUnit", i), "Vrms", frame), row, 3);
      grid->addWidget(field_amps_boxes_[i], row, 4);
      grid->addWidget(Label(ArrayName("lblAmpsUnit", i), "mArms", frame), row, 5);
      grid->addWidget(fault_pictures_[i], row, 6);
    }
    grid->setColumnStretch(7, 1);
    outer->addWidget(frame);
  }
  return field_frame_;
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
      output_disable_boxes_[i] = Check(ArrayName("chkOutDisable", i), kColourCaptions[k],
                                       OutputTitle(i) + " disable", sub);
      // Nothing may drive an output before the technician asks for it.
      output_disable_boxes_[i]->setChecked(true);
      column->addWidget(output_disable_boxes_[i]);
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
    fault_indicator_boxes_[channel] =
        Check(ArrayName("chkFaultLED", channel), caption, caption + " fault indicator", frame);
    fault_indicator_lamps_[channel] = new common::Indicator(
        ArrayName("shpFault", channel), caption + " fault indicator lamp", kBlue, frame, 18);
    connect(fault_indicator_boxes_[channel], &QCheckBox::toggled, fault_indicator_lamps_[channel],
            &common::Indicator::SetFilled);
    grid->addWidget(fault_indicator_boxes_[channel], channel, 0);
    grid->addWidget(fault_indicator_lamps_[channel], channel, 1);
  }
  grid->setColumnStretch(2, 1);
  return frame;
}

QWidget* MainWindow::BuildAddressFrame() {
  auto* frame = Frame("fraAddress", "Slot Address", this);
  address_box_ = Named(new QComboBox(frame), "cmbAddress", "Slot Address");
  address_box_->addItems(SlotAddressEntries());
  auto* row = new QHBoxLayout(frame);
  row->addWidget(address_box_);
  row->addStretch(1);
  return frame;
}

QWidget* MainWindow::BuildStatusROFrame() {
  auto* frame = Named(new QGroupBox(this), "fraStatusRO", "Device status");
  auto* column = new QVBoxLayout(frame);
  for (int k = 0; k < 4; ++k) {
    const QString caption = Text(StatusBitName(k));
    status_boxes_[k] = Check(ArrayName("chkStatus", k), caption, caption, frame);
    column->addWidget(status_boxes_[k]);
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
  temperature_box_ = add_row(0, "txtTemperature", "Temperature");
  grid->addWidget(Label("lblTemperatureUnit", "oF", frame), 0, 2);
  const std::array<QString, 4> counter_names = {"txtCRCErrors", "txtRxOverflows", "txtRegErrors",
                                                "txtRxErrors"};
  for (int k = 0; k < 4; ++k) {
    counter_boxes_[k] = add_row(k + 1, counter_names[k], Text(DeviceCounterName(k)));
  }
  data_flash_errors_box_ = add_row(5, "txtDataFlashErrors", "Data Flash Errors");
  data_flash_errors_box_->setEnabled(false);
  reg_fault_picture_ = new Picture("imgRegFault", "Register fault", FaultPixmap(), frame);
  data_flash_fault_picture_ =
      new Picture("imgDataFlashFault", "Data flash fault", FaultPixmap(), frame);
  reg_fault_picture_->SetShown(false);
  data_flash_fault_picture_->SetShown(false);
  grid->addWidget(reg_fault_picture_, 3, 2);
  grid->addWidget(data_flash_fault_picture_, 5, 2);
  clear_errors_button_ =
      Named(new QPushButton("Clear Errors", frame), "cmdClearErrors", "Clear Errors");
  connect(clear_errors_button_, &QPushButton::clicked, this, [this] { session().ClearErrors(); });
  grid->addWidget(clear_errors_button_, 6, 0, 1, 3);
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
  calibrate_menu_ = add_menu("mnuCalibrate", "&Calibrate");
  auto_calibrate_item_ = add_item(calibrate_menu_, "mnuCalAuto", "Auto");
  add_separator(calibrate_menu_, "mnuSeparator1");
  add_item(calibrate_menu_, "mnuCalVoltage", "Voltage")->setEnabled(false);
  add_item(calibrate_menu_, "mnuCalCurrent", "Current")->setEnabled(false);
  manual_calibrate_item_ = add_item(calibrate_menu_, "mnuCalManual", "Manual");
  add_separator(calibrate_menu_, "mnuSeparator2");
  calibration_settings_item_ = add_item(calibrate_menu_, "mnuCalSettings", "Calibration Settings");

  QMenu* view = add_menu("mnuView", "&View");
  connect(add_item(view, "mnuTrend", "&Trend"), &QAction::triggered, this, &MainWindow::ShowTrend);

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
    status_panels_[i] = common::AddStatusPanel(bar, ArrayName("sbStatus", i + 1), roles[i],
                                               texts[i], widest[i], i < 2 ? 2 : 1);
  }
  status_panels_[0]->setToolTip("Switch Pack Type");
  status_panels_[1]->setToolTip("Computer Comm Port Number");
}

void MainWindow::MarkSimulated() {
  setWindowTitle("Corvid - SIMULATED DEVICE");
  if (simulated_label_ == nullptr) {
    simulated_label_ = Label("lblSimulated", "SIMULATED", statusBar());
    simulated_label_->setStyleSheet(
        "QLabel { color: white; background: #b00000; padding: 0 6px; "
        "font-weight: bold; }");
    simulated_label_->setToolTip("Talking to the built-in simulated device, not a serial port");
    statusBar()->addPermanentWidget(simulated_label_);
  }
}

void MainWindow::Load() {
  common::CentreOnScreen(this);
  move(pos() + QPoint(33, 0));  // about 500 twips right of the middle

  // Start in the state the label names, so the first good answer switches to
  // "Device Responding" (a green shape under "Device Not Responding" misleads).
  responding_lamp_->setVisible(false);
  not_responding_picture_->SetShown(true);
  for (int i = 0; i < kOutputs; ++i) {
    output_lamps_[i]->SetFilled(false);
    fault_pictures_[i]->SetShown(false);
  }
  for (common::Indicator* shape : fault_indicator_lamps_) shape->SetFilled(false);
  output_disable_boxes_[0]->setFocus();
  session().Start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  calibrate_timer_->stop();
  session().Close();
  event->accept();
  QCoreApplication::quit();
}

void MainWindow::ShowCounters(const LinkCounters& c) {
  status_panels_[2]->setText("CRC Error = " + QString::number(c.crc_errors));
  status_panels_[3]->setText("Rx Timeout = " + QString::number(c.timeouts));
  status_panels_[4]->setText("Rx NAKs = " + QString::number(c.naks));
}

void MainWindow::ShowDisables(std::uint8_t disables) {
  for (int i = 0; i < kOutputs; ++i) {
    const QSignalBlocker blocker(output_disable_boxes_[i]);
    output_disable_boxes_[i]->setChecked((disables >> i) & 1);
  }
}

void MainWindow::ShowResponding(bool ok) {
  responding_lamp_->setVisible(ok);
  not_responding_picture_->SetShown(!ok);
  responding_label_->setText(ok ? "Device Responding" : "Device Not Responding");
  responding_label_->setAccessibleName(responding_label_->text());
  device_id_label_->setEnabled(ok);
  device_id_box_->setEnabled(ok);
  if (ok) {
    common::EnableFrame(mains_frame_, true);
    common::EnableFrame(field_frame_, true);
  } else {
    device_id_box_->clear();
  }
}

// ---- Command functions ----

void MainWindow::ApplyStatusLayout(StatusLayout layout) {
  const bool flash = layout == StatusLayout::kFlashUnit;
  const std::array<QString, 4> captions = flash
                                              ? std::array<QString, 4>{"1-1", "1-2", "2-1", "2-2"}
                                              : std::array<QString, 4>{"Red", "Yel", "Yel", "Grn"};
  const std::array<int, 4> rows = {0, 1, 4, 5};  // 1 red, 1 yellow, 2 yellow, 2 green
  for (int k = 0; k < 4; ++k) {
    row_labels_[rows[k]]->setText(captions[k]);
    row_labels_[rows[k]]->setAccessibleName(captions[k]);
  }
  output_lamps_[1]->SetColour(flash ? kRed : kYellow);
  output_lamps_[4]->SetColour(flash ? kRed : kYellow);
  output_lamps_[5]->SetColour(flash ? kRed : kGreen);
}

void MainWindow::ShowStatus(const StatusReading& reading) {
  for (int k = 0; k < 4; ++k) status_boxes_[k]->setChecked(reading.status_bits & (1 << k));
  low_24v_picture_->SetShown(reading.status_bits & 1);
  SetText(mains_voltage_box_, Text(FormatTenths(reading.mains)));
  for (int i = 0; i < kOutputs; ++i) {
    SetText(field_volts_boxes_[i], Text(FormatTenths(reading.volts[i])));
    SetText(field_amps_boxes_[i], QString::number(reading.amps[i]));
    fault_pictures_[i]->SetShown(reading.fault_bits & (1 << i));
    output_lamps_[i]->SetFilled(reading.on_bits & (1 << i));
  }
}

void MainWindow::ShowDiagnostic(const DiagnosticReading& reading) {
  SetText(temperature_box_, QString::number(reading.temperature));
  for (int k = 0; k < 4; ++k) SetText(counter_boxes_[k], Text(FormatCounter(reading.counters[k])));
  reg_fault_picture_->SetShown(reading.fault_bits & 1);
  data_flash_fault_picture_->SetShown(reading.fault_bits & 2);
}

void MainWindow::ShowIdentity(const DeviceIdentity& identity) {
  status_panels_[0]->setText("Device Type = " + Text(DeviceTypeName(identity.device_type)));
  SetText(device_id_box_, QString::fromLatin1(identity.module_id));
}

QRect MainWindow::WatchedReadings() const {
  QRect watched;
  for (const QWidget* frame :
       {status_frame_, static_cast<QWidget*>(mains_frame_), static_cast<QWidget*>(field_frame_)})
    watched |= QRect(frame->mapToGlobal(QPoint(0, 0)), frame->size());
  return watched;
}

// ---- Check Outputs ----

void MainWindow::CheckOutputs() {
  // The session refuses a check queued behind a calibration that has started since;
  // the button follows who holds the outputs.
  check_outputs_->Start();
}

// ---- Menus and dialogs ----

void MainWindow::ShowPortDialog() {
  port_dialog_->Load();
  port_dialog_->show();
  port_dialog_->raise();
  port_dialog_->activateWindow();
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

void MainWindow::ShowTrend() {
  // One window, modeless, beside Check Outputs, the calibration and the link trace.
  if (trend_ == nullptr) {
    trend_ = new TrendWindow(trend_recorder_->Log(), app_.prompts(), this);
    common::PlaceBesideMainWindow(trend_, this, "Trend");
  }
  trend_->show();
  trend_->raise();
  trend_->activateWindow();
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
