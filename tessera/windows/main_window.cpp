#include "tessera/windows/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/widgets/about_box.h"
#include "common/widgets/indicator.h"
#include "common/widgets/picture.h"
#include "common/widgets/window_helpers.h"
#include "tessera/core/unit_address.h"
#include "tessera/windows/about_text.h"
#include "tessera/windows/panel_widgets.h"

namespace tessera::panel {
namespace {

using common::Named;

constexpr char kSimulatedMark[] = " [Simulated unit]";
constexpr char kLoaderModeLine[] =
    "Flash loader mode: polling has stopped. Help > Flash Tools > Reboot TBX returns the TBX to "
    "normal operation.";
constexpr char kPollingStopped[] = "polling stopped";
constexpr int kPictureSize = 18;

QColor Rgb(std::uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

QString PointCaption(int point) {
  if (point == 54) return "Active";
  if (point == 55) return "Dummy";
  return QString("I/O #%1").arg(point, 2, 10, QLatin1Char('0'));
}

QGroupBox* GroupFrame(const QString& name, const QString& caption, QWidget* parent) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(name);
  frame->setAccessibleName(caption);
  return frame;
}

}  // namespace

MainWindow::MainWindow(TesseraApp& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setObjectName("frmMain");
  caption_ = "TBX Address #";
  ShowCaption(caption_);
  BuildControls();
  BuildMenus();
  ConnectSession();
}

MainWindow::~MainWindow() = default;

void MainWindow::ConnectSession() {
  Session& s = session();
  common::GateTicksOnMenus(s.Loop(), this);
  connect(&s, &Session::PortTextChanged, this,
          [this](const QString& text) { SetPanelText(1, text); });
  connect(&s, &Session::ExtendedMenusShown, this, &MainWindow::ShowExtendedMenus);
  connect(&s, &Session::LinkStateChanged, this, &MainWindow::ShowLinkState);
  connect(&s, &Session::InputsChanged, this, &MainWindow::ShowInputs);
  connect(&s, &Session::AddressChanged, this, &MainWindow::ShowUnitAddress);
  connect(&s, &Session::LineSyncChanged, this, &MainWindow::ShowLineSync);
  connect(&s, &Session::FirmwareChanged, this, &MainWindow::ShowFirmwareVersion);
  for (const auto* group : {&btn_input_control_, &btn_output_control_, &btn_trans_control_}) {
    for (QRadioButton* button : *group) {
      connect(button, &QRadioButton::toggled, this, &MainWindow::PushControl);
    }
  }
  connect(chk_zcross_disable_, &QCheckBox::toggled, this, &MainWindow::PushControl);
  for (QCheckBox* box : chk_out_) connect(box, &QCheckBox::toggled, this, &MainWindow::PushOutputs);
}

void MainWindow::PushControl() { session().SetControl(ControlFromForm()); }

void MainWindow::PushOutputs() { session().SetOutputs(OutputsFromForm()); }

// ---------------------------------------------------------------------------------
// Controls

void MainWindow::BuildControls() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);

  auto* top = new QHBoxLayout;
  top->addWidget(BuildStatusFrame());
  top->addWidget(BuildControlFrames(), 1);
  column->addLayout(top);
  column->addWidget(BuildIoFrame(), 1);

  lbl_loader_mode_ = new QLabel(kLoaderModeLine, central);
  lbl_loader_mode_->setObjectName("lblLoaderMode");
  lbl_loader_mode_->setAccessibleName(kLoaderModeLine);
  lbl_loader_mode_->setWordWrap(true);
  lbl_loader_mode_->setFrameShape(QFrame::StyledPanel);
  lbl_loader_mode_->setStyleSheet("QLabel { font-weight: bold; padding: 4px; }");
  lbl_loader_mode_->hide();
  column->addWidget(lbl_loader_mode_);

  auto* progress_row = new QHBoxLayout;
  lbl_reflash_progress_ = new QLabel("Reflash Progress", central);
  lbl_reflash_progress_->setObjectName("lblReflashProgress");
  lbl_reflash_progress_->setAccessibleName("Reflash Progress");
  pgb_progress_ = new QProgressBar(central);
  pgb_progress_->setObjectName("pgbProgress");
  pgb_progress_->setAccessibleName("Reflash Progress");
  progress_row->addWidget(lbl_reflash_progress_);
  progress_row->addWidget(pgb_progress_, 1);
  lbl_reflash_progress_->hide();
  pgb_progress_->hide();
  column->addLayout(progress_row);
  setCentralWidget(central);

  auto* bar = new QStatusBar(this);
  bar->setObjectName("sbStatusBar");
  bar->setSizeGripEnabled(false);
  sb_panels_[0] = common::AddStatusPanel(bar, "sbStatusBar_Panel1", "Port", QString(),
                                         "EIA-232 Port = Simulated", 0);
  sb_panels_[1] = common::AddStatusPanel(bar, "sbStatusBar_Panel2", "Firmware version", QString(),
                                         "Firmware Version = 23, Firmware Revision = 1.4 ", 1);
  setStatusBar(bar);
}

QWidget* MainWindow::BuildStatusFrame() {
  QGroupBox* frame = GroupFrame("fraStatus", "Status", this);
  status_frame_ = frame;
  auto* grid = new QGridLayout(frame);

  shp_comm_status_ = new Indicator("shpCommStatus", "TBX link", kGreen, frame);
  shp_comm_status_->SetFilled(true);
  shp_comm_status_->setAccessibleDescription("responding");
  img_tbx_comm_ = new common::Picture("imgTBXComm", "TBX not responding",
                                      common::NotRespondingPixmap(kPictureSize), frame);
  lbl_comm_ = new QLabel("TBX Not Responding", frame);
  lbl_comm_->setObjectName("lblComm");
  lbl_comm_->setAccessibleName(lbl_comm_->text());

  shp_line_sync_ = new Indicator("shpLineSync", "Line sync", kGreen, frame);
  shp_line_sync_->SetFilled(true);
  shp_line_sync_->setAccessibleDescription("active");
  img_line_sync_status_ =
      new common::Picture("imgLineSyncStatus", "Line sync error",
                          common::WarningPixmap(kPictureSize, QColor(0xFF, 0xD0, 0x00)), frame);
  lbl_line_sync_ = new QLabel("Line Sync Error", frame);
  lbl_line_sync_->setObjectName("lblLineSync");
  lbl_line_sync_->setAccessibleName(lbl_line_sync_->text());

  // Shape and picture share a cell: only one of them is ever shown.
  grid->addWidget(shp_comm_status_, 0, 0, Qt::AlignCenter);
  grid->addWidget(img_tbx_comm_, 0, 0, Qt::AlignCenter);
  grid->addWidget(lbl_comm_, 0, 1);
  grid->addWidget(shp_line_sync_, 1, 0, Qt::AlignCenter);
  grid->addWidget(img_line_sync_status_, 1, 0, Qt::AlignCenter);
  grid->addWidget(lbl_line_sync_, 1, 1);
  grid->setColumnMinimumWidth(0, kPictureSize + 2);
  grid->setColumnMinimumWidth(1,
                              lbl_comm_->fontMetrics().horizontalAdvance("TBX Not Responding") + 8);
  return frame;
}

QWidget* MainWindow::BuildControlFrames() {
  auto* holder = new QWidget(this);
  auto* row = new QHBoxLayout(holder);
  row->setContentsMargins(0, 0, 0, 0);

  struct Pair {
    const char* frame_name;
    const char* frame_caption;
    const char* button_name;
    const char* captions[2];
    std::array<QRadioButton*, 2>* buttons;
    QGroupBox** frame;
  };
  const Pair pairs[] = {
      {"fraInputCtl",
       "Input Control",
       "btnInputControl",
       {"Raw", "Filtered"},
       &btn_input_control_,
       &input_control_frame_},
      {"fraOutputCtl",
       "Output Control",
       "btnOutputControl",
       {"Front Panel", "Serial Bus #1"},
       &btn_output_control_,
       &output_control_frame_},
      {"fraBufferCtl",
       "Trans Buffer Control",
       "btnTransControl",
       {"Front Panel", "Serial Bus #1"},
       &btn_trans_control_,
       &transition_control_frame_},
  };
  for (const Pair& pair : pairs) {
    QGroupBox* frame = GroupFrame(pair.frame_name, pair.frame_caption, holder);
    *pair.frame = frame;
    auto* layout = new QVBoxLayout(frame);
    for (int i = 0; i < 2; ++i) {
      auto* button =
          Named(new QRadioButton(pair.captions[i], frame), common::ArrayName(pair.button_name, i));
      (*pair.buttons)[i] = button;
      layout->addWidget(button);
    }
    common::TabToCheckedButton({(*pair.buttons)[0], (*pair.buttons)[1]});
    row->addWidget(frame, 1);
  }

  QGroupBox* zcross = GroupFrame("fraZcross", "Zcross Logging", holder);
  zcross_frame_ = zcross;
  auto* zcross_layout = new QVBoxLayout(zcross);
  chk_zcross_disable_ = Named(new QCheckBox("Disable", zcross), "chkZcrossDisable");
  zcross_layout->addWidget(chk_zcross_disable_);
  zcross_layout->addStretch();
  row->addWidget(zcross, 1);

  cmd_clear_all_ = Named(new QPushButton("Clear Outputs", holder), "cmdClearAll");
  connect(cmd_clear_all_, &QPushButton::clicked, this, &MainWindow::ClearAllOutputs);
  row->addWidget(cmd_clear_all_, 0, Qt::AlignVCenter);
  return holder;
}

QWidget* MainWindow::BuildIoFrame() {
  fra_io_ = GroupFrame("fraIO", "Input / Output Status", this);
  auto* column = new QVBoxLayout(fra_io_);
  auto* channels = new QGridLayout;
  constexpr int kColumns = 6;

  auto add_point = [this](QWidget* parent, QGridLayout* grid, int point, int row, int col) {
    chk_out_[point] =
        Named(new QCheckBox(PointCaption(point), parent), common::ArrayName("chkOut", point));
    grid->addWidget(chk_out_[point], row, col);
    if (point < kInputPoints) {
      const QColor colour = point == 54 ? kRed : kBlue;
      shp_in_[point] = new Indicator(common::ArrayName("shpIn", point),
                                     PointCaption(point) + " input", colour, parent);
      grid->addWidget(shp_in_[point], row, col + 1);
    }
  };

  for (int k = 0; k < kChannels; ++k) {
    auto* frame = new ChannelFrame(common::ArrayName("fraChannel", k),
                                   QString("Channel %1").arg(k + 1), fra_io_);
    fra_channel_[k] = frame;
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    for (int r = 0; r < 3; ++r) add_point(frame, grid, 3 * k + r, r, 0);
    channels->addWidget(frame, k / kColumns, k % kColumns);
  }
  // Extra height goes to the channels; the last row stays together under them.
  column->addLayout(channels, 1);

  auto* bottom = new QHBoxLayout;
  auto* extra = new QGridLayout;
  add_point(fra_io_, extra, 54, 0, 0);
  add_point(fra_io_, extra, 55, 1, 0);
  extra->setVerticalSpacing(2);
  bottom->addLayout(extra);
  bottom->addSpacing(24);

  QGroupBox* opto = GroupFrame("fraOpto", "Opto Inputs", fra_io_);
  auto* opto_row = new QHBoxLayout(opto);
  for (int i = 0; i < kOptoInputs; ++i) {
    const QString caption = QString("Opto #%1").arg(i + 1);
    auto* label = new QLabel(caption, opto);
    label->setObjectName(common::ArrayName("Label1", i));
    label->setAccessibleName(caption);
    shp_opto_[i] = new Indicator(common::ArrayName("shpOpto", i), caption + " input", kBlue, opto);
    opto_row->addWidget(label);
    opto_row->addWidget(shp_opto_[i]);
    opto_row->addSpacing(12);
  }
  opto->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
  bottom->addWidget(opto, 0, Qt::AlignVCenter);
  bottom->addStretch();
  column->addLayout(bottom);
  return fra_io_;
}

QAction* MainWindow::AddItem(QMenu* menu, const QString& name, const QString& caption,
                             std::function<void()> chosen) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  if (chosen) connect(item, &QAction::triggered, this, std::move(chosen));
  return item;
}

void MainWindow::AddWindowItem(QMenu* menu, FeatureWindow window, const QString& name,
                               const QString& caption) {
  windows_[static_cast<int>(window)].item =
      AddItem(menu, name, caption, [this, window] { OpenWindow(window); });
}

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  mnu_configure_ = bar->addMenu("&Configure TBX");
  mnu_configure_->setObjectName("mnuConfigure");
  AddWindowItem(mnu_configure_, FeatureWindow::kInputFilters, "mnuConfigureInputs",
                "Input &Filters");
  AddWindowItem(mnu_configure_, FeatureWindow::kInputTracking, "mnuInputTracking",
                "Input &Tracking");
  AddWindowItem(mnu_configure_, FeatureWindow::kComplexOutputs, "mnuComplexOutputs",
                "&Complex Outputs");
  mnu_complex_outputs_ = MenuItem(FeatureWindow::kComplexOutputs);

  mnu_buffers_ = bar->addMenu("&Buffers");
  mnu_buffers_->setObjectName("mnuBuffers");
  AddWindowItem(mnu_buffers_, FeatureWindow::kTransitionBuffer, "mnuTransition",
                "&Transition Buffer");
  AddWindowItem(mnu_buffers_, FeatureWindow::kEventLog, "mnuEventLog", "&Diagnostic Log");
  mnu_event_log_ = MenuItem(FeatureWindow::kEventLog);
  mnu_event_log_->setEnabled(false);

  mnu_help_ = bar->addMenu("&Help");
  mnu_help_->setObjectName("mnuHelp");
  AddItem(mnu_help_, "mnuHelpItem", "&Help")->setEnabled(false);
  firmware_update_item_ = AddItem(mnu_help_, "mnuReFlash", "&Firmware Update", [this] {
    if (firmware_update_) firmware_update_();
  });
  flash_tools_menu_ = mnu_help_->addMenu("Flash &Tools");
  flash_tools_menu_->setObjectName("mnuFlashTools");
  // Erase sits next to harmless items: every item gets its own key.
  const char* flash_items[] = {"&Launch",         "Read &ID",     "&Erase",     "&Calculate CS",
                               "&Program Record", "Read &Record", "Re&boot TBX"};
  for (int i = 0; i < 7; ++i) {
    AddItem(flash_tools_menu_, common::ArrayName("mnuFlashItem", i), flash_items[i], [this, i] {
      if (flash_tool_) flash_tool_(i);
    });
  }
  AddWindowItem(mnu_help_, FeatureWindow::kLinkTrace, "mnuLinkTrace", "&Link Trace");
  mnu_help_->addSeparator()->setObjectName("mnuHelpDivider2");
  AddItem(mnu_help_, "mnuAbout", "&About", [this] { ShowAbout(); });

  // Shown only with "/kal" (Load).
  mnu_configure_->menuAction()->setVisible(false);
  mnu_buffers_->menuAction()->setVisible(false);
}

// ---------------------------------------------------------------------------------
// Hooks

void MainWindow::SetWindow(FeatureWindow window, ModelessWindow::Factory factory) {
  windows_[static_cast<int>(window)].window.SetFactory(std::move(factory));
}

QWidget* MainWindow::WindowInstance(FeatureWindow window) const {
  return windows_[static_cast<int>(window)].window.Instance();
}

QAction* MainWindow::MenuItem(FeatureWindow window) const {
  return windows_[static_cast<int>(window)].item;
}

void MainWindow::OpenWindow(FeatureWindow window) {
  WindowItem& entry = windows_[static_cast<int>(window)];
  entry.window.Show(this, entry.item->objectName());
}

void MainWindow::SetFirmwareUpdateAction(std::function<void()> action) {
  firmware_update_ = std::move(action);
}

void MainWindow::SetFlashToolAction(std::function<void(int index)> action) {
  flash_tool_ = std::move(action);
}

void MainWindow::EnableFlashItems(bool enabled) {
  firmware_update_item_->setEnabled(enabled);
  flash_tools_menu_->menuAction()->setEnabled(enabled);
}

// ---------------------------------------------------------------------------------
// Start-up and close

void MainWindow::ResetForm() {
  btn_input_control_[0]->setChecked(true);
  btn_output_control_[1]->setChecked(true);
  btn_trans_control_[1]->setChecked(true);
  chk_zcross_disable_->setChecked(false);
  for (int i = 0; i <= 54; ++i) {
    chk_out_[i]->setChecked(false);
    shp_in_[i]->SetFilled(false);
  }
  for (Indicator* opto : shp_opto_) opto->SetFilled(false);
  shp_line_sync_->hide();
  shp_comm_status_->hide();
  for (ChannelFrame* frame : fra_channel_) frame->SetBorder(false);
}

bool MainWindow::Load(const QString& command_line) {
  adjustSize();
  common::CentreOnScreen(this);
  ResetForm();
  PushControl();
  PushOutputs();
  return session().Start(command_line);
}

void MainWindow::ShowExtendedMenus(bool shown) {
  mnu_configure_->menuAction()->setVisible(shown);
  mnu_buffers_->menuAction()->setVisible(shown);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  session().Close();
  // Every other window of the program closes with this one.
  for (QWidget* child : findChildren<QWidget*>()) {
    if (child->isWindow() && child->isVisible()) child->close();
  }
  event->accept();
}

// ---------------------------------------------------------------------------------
// Display

void MainWindow::ShowCaption(const QString& caption) {
  caption_ = caption;
  setWindowTitle(Simulated() ? caption_ + kSimulatedMark : caption_);
}

void MainWindow::ShowUnitAddress(int address) {
  const AddressLayout layout = UnitAddressLayout(address);
  ShowCaption(QString::fromStdString(layout.caption));
  for (int k = 0; k < kChannelFrameCount; ++k) {
    const ChannelFrameLayout& frame = layout.frames[k];
    if (frame.caption) fra_channel_[k]->SetCaption(QString::fromStdString(*frame.caption));
    if (frame.border) fra_channel_[k]->SetBorder(*frame.border);
  }
  for (int i = 0; i < kAddressedPoints; ++i) {
    if (layout.point_colours[i]) shp_in_[i]->SetColour(Rgb(*layout.point_colours[i]));
  }
}

void MainWindow::ShowFirmwareVersion(const FirmwareDisplay& display) {
  SetPanelText(2, QString::fromStdString(display.panel2_text));
  mnu_complex_outputs_->setEnabled(display.complex_outputs_enabled);
  mnu_buffers_->menuAction()->setEnabled(display.buffers_enabled);
  if (display.event_log_enabled) mnu_event_log_->setEnabled(*display.event_log_enabled);
}

void MainWindow::ShowInputs(const InputLamps& lamps) {
  for (int i = 0; i < kInputPoints; ++i) shp_in_[i]->SetFilled(lamps.points[i]);
  for (int i = 0; i < kOptoInputs; ++i) shp_opto_[i]->SetFilled(lamps.opto[i]);
}

void MainWindow::ShowLinkState(bool responding) {
  const QString text = responding ? "TBX Responding" : "TBX Not Responding";
  if (lbl_comm_->text() != text) {
    lbl_comm_->setText(text);
    lbl_comm_->setAccessibleName(text);
  }
  // After loader mode the lamp was left hollow: the first answer fills it again.
  shp_comm_status_->SetFilled(true);
  shp_comm_status_->setAccessibleDescription("responding");
  shp_comm_status_->setVisible(responding);
  img_tbx_comm_->SetShown(!responding);
  if (fra_io_->isEnabled() != responding) common::EnableFrame(fra_io_, responding);
  // What the unit said of itself no longer holds when it does not answer.
  if (!responding) SetPanelText(2, QString());
}

void MainWindow::ShowLineSync(bool error) {
  shp_line_sync_->SetFilled(true);
  shp_line_sync_->setAccessibleDescription("active");
  shp_line_sync_->setVisible(!error);
  img_line_sync_status_->SetShown(error);
  lbl_line_sync_->setText(error ? "Line Sync Error" : "Line Sync Active");
  lbl_line_sync_->setAccessibleName(lbl_line_sync_->text());
}

OutputData MainWindow::OutputsFromForm() const {
  std::array<bool, kOutputPoints> checked{};
  for (int i = 0; i < kOutputPoints; ++i) checked[i] = chk_out_[i]->isChecked();
  return OutputFormToData(checked);
}

InputControl MainWindow::ControlFromForm() const {
  return InputControl{.filtered = btn_input_control_[1]->isChecked(),
                      .output_front_panel = btn_output_control_[0]->isChecked(),
                      .transition_front_panel = btn_trans_control_[0]->isChecked(),
                      .zcross_disabled = chk_zcross_disable_->isChecked()};
}

void MainWindow::ClearAllOutputs() {
  for (QCheckBox* box : chk_out_) box->setChecked(false);
}

void MainWindow::ShowAbout() {
  auto* box = new common::AboutBox({.window_title = "About Tessera",
                                    .heading = "Tessera",
                                    .text = AboutText(TesseraVersion(), app_.State().identity),
                                    .logo = LogoPicture(64),
                                    .logo_name = "Tessera logo"},
                                   this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
}

QString MainWindow::PanelText(int panel) const {
  return panel == 1 || panel == 2 ? sb_panels_[panel - 1]->text() : QString();
}

void MainWindow::SetPanelText(int panel, const QString& text) {
  if (panel != 1 && panel != 2) return;
  QLabel* label = sb_panels_[panel - 1];
  if (label->text() == text) return;
  label->setText(text);
}

void MainWindow::ShowLoaderMode(bool running) {
  lbl_loader_mode_->setVisible(running);
  for (QGroupBox* frame : {fra_io_, input_control_frame_, output_control_frame_, zcross_frame_,
                           status_frame_, transition_control_frame_}) {
    // The I/O frame waits for the unit's first good answer after the reboot.
    if (!running && frame == fra_io_) continue;
    common::EnableFrame(frame, !running);
  }
  if (!running) return;
  // The lamps no longer say anything about the unit: hollow until polling is back.
  for (Indicator* lamp : shp_in_) lamp->SetFilled(false);
  for (Indicator* lamp : shp_opto_) lamp->SetFilled(false);
  const struct {
    Indicator* lamp;
    common::Picture* picture;
    QLabel* label;
    const char* text;
  } states[] = {{shp_comm_status_, img_tbx_comm_, lbl_comm_, "TBX Polling Stopped"},
                {shp_line_sync_, img_line_sync_status_, lbl_line_sync_, "Line Sync Not Polled"}};
  for (const auto& state : states) {
    state.lamp->SetFilled(false);
    state.lamp->setAccessibleDescription(kPollingStopped);
    state.lamp->show();
    state.picture->SetShown(false);
    state.label->setText(state.text);
    state.label->setAccessibleName(state.text);
  }
}

void MainWindow::ShowReflashPhase(const QString& text, std::optional<int> percent) {
  lbl_reflash_progress_->setVisible(!text.isEmpty());
  pgb_progress_->setVisible(!text.isEmpty());
  if (text.isEmpty()) return;
  lbl_reflash_progress_->setText(text);
  lbl_reflash_progress_->setAccessibleName(text);
  // A range of 0 to 0 makes the bar a busy indicator.
  pgb_progress_->setRange(0, percent ? 100 : 0);
  if (percent) pgb_progress_->setValue(*percent);
}

}  // namespace tessera::panel
