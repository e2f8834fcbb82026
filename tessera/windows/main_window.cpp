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
#include "tessera/windows/channel_frame.h"

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

QString PointText(int point) { return QString::fromStdString(PointCaption(point)); }

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
  for (const auto* group :
       {&input_control_buttons_, &output_control_buttons_, &transition_control_buttons_}) {
    for (QRadioButton* button : *group) {
      connect(button, &QRadioButton::toggled, this, &MainWindow::PushControl);
    }
  }
  connect(zcross_disable_box_, &QCheckBox::toggled, this, &MainWindow::PushControl);
  for (QCheckBox* box : output_checkboxes_)
    connect(box, &QCheckBox::toggled, this, &MainWindow::PushOutputs);
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

  loader_mode_line_ = new QLabel(kLoaderModeLine, central);
  loader_mode_line_->setObjectName("lblLoaderMode");
  loader_mode_line_->setAccessibleName(kLoaderModeLine);
  loader_mode_line_->setWordWrap(true);
  loader_mode_line_->setFrameShape(QFrame::StyledPanel);
  loader_mode_line_->setStyleSheet("QLabel { font-weight: bold; padding: 4px; }");
  loader_mode_line_->hide();
  column->addWidget(loader_mode_line_);

  auto* progress_row = new QHBoxLayout;
  progress_label_ = new QLabel("Reflash Progress", central);
  progress_label_->setObjectName("lblReflashProgress");
  progress_label_->setAccessibleName("Reflash Progress");
  progress_bar_ = new QProgressBar(central);
  progress_bar_->setObjectName("pgbProgress");
  progress_bar_->setAccessibleName("Reflash Progress");
  progress_row->addWidget(progress_label_);
  progress_row->addWidget(progress_bar_, 1);
  progress_label_->hide();
  progress_bar_->hide();
  column->addLayout(progress_row);
  setCentralWidget(central);

  auto* bar = new QStatusBar(this);
  bar->setObjectName("sbStatusBar");
  bar->setSizeGripEnabled(false);
  status_panels_[0] = common::AddStatusPanel(bar, "sbStatusBar_Panel1", "Port", QString(),
                                             "EIA-232 Port = Simulated", 0);
  status_panels_[1] =
      common::AddStatusPanel(bar, "sbStatusBar_Panel2", "Firmware version", QString(),
                             "Firmware Version = 23, Firmware Revision = 1.4 ", 1);
  setStatusBar(bar);
}

QWidget* MainWindow::BuildStatusFrame() {
  QGroupBox* frame = GroupFrame("fraStatus", "Status", this);
  status_frame_ = frame;
  auto* grid = new QGridLayout(frame);

  link_lamp_ = new Indicator("shpCommStatus", "TBX link", kGreen, frame);
  link_lamp_->SetFilled(true);
  link_lamp_->setAccessibleDescription("responding");
  no_link_picture_ = new common::Picture("imgTBXComm", "TBX not responding",
                                         common::NotRespondingPixmap(kPictureSize), frame);
  link_label_ = new QLabel("TBX Not Responding", frame);
  link_label_->setObjectName("lblComm");
  link_label_->setAccessibleName(link_label_->text());

  line_sync_lamp_ = new Indicator("shpLineSync", "Line sync", kGreen, frame);
  line_sync_lamp_->SetFilled(true);
  line_sync_lamp_->setAccessibleDescription("active");
  line_sync_error_picture_ =
      new common::Picture("imgLineSyncStatus", "Line sync error",
                          common::WarningPixmap(kPictureSize, QColor(0xFF, 0xD0, 0x00)), frame);
  line_sync_label_ = new QLabel("Line Sync Error", frame);
  line_sync_label_->setObjectName("lblLineSync");
  line_sync_label_->setAccessibleName(line_sync_label_->text());

  // Shape and picture share a cell: only one of them is ever shown.
  grid->addWidget(link_lamp_, 0, 0, Qt::AlignCenter);
  grid->addWidget(no_link_picture_, 0, 0, Qt::AlignCenter);
  grid->addWidget(link_label_, 0, 1);
  grid->addWidget(line_sync_lamp_, 1, 0, Qt::AlignCenter);
  grid->addWidget(line_sync_error_picture_, 1, 0, Qt::AlignCenter);
  grid->addWidget(line_sync_label_, 1, 1);
  grid->setColumnMinimumWidth(0, kPictureSize + 2);
  grid->setColumnMinimumWidth(
      1, link_label_->fontMetrics().horizontalAdvance("TBX Not Responding") + 8);
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
       &input_control_buttons_,
       &input_control_frame_},
      {"fraOutputCtl",
       "Output Control",
       "btnOutputControl",
       {"Front Panel", "Serial Bus #1"},
       &output_control_buttons_,
       &output_control_frame_},
      {"fraBufferCtl",
       "Trans Buffer Control",
       "btnTransControl",
       {"Front Panel", "Serial Bus #1"},
       &transition_control_buttons_,
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
  zcross_disable_box_ = Named(new QCheckBox("Disable", zcross), "chkZcrossDisable");
  zcross_layout->addWidget(zcross_disable_box_);
  zcross_layout->addStretch();
  row->addWidget(zcross, 1);

  clear_outputs_button_ = Named(new QPushButton("Clear Outputs", holder), "cmdClearAll");
  connect(clear_outputs_button_, &QPushButton::clicked, this, &MainWindow::ClearAllOutputs);
  row->addWidget(clear_outputs_button_, 0, Qt::AlignVCenter);
  return holder;
}

QWidget* MainWindow::BuildIoFrame() {
  io_frame_ = GroupFrame("fraIO", "Input / Output Status", this);
  auto* column = new QVBoxLayout(io_frame_);
  auto* channels = new QGridLayout;
  constexpr int kColumns = 6;

  auto add_point = [this](QWidget* parent, QGridLayout* grid, int point, int row, int col) {
    output_checkboxes_[point] =
        Named(new QCheckBox(PointText(point), parent), common::ArrayName("chkOut", point));
    grid->addWidget(output_checkboxes_[point], row, col);
    if (point < kInputPoints) {
      const QColor colour = point == 54 ? kRed : kBlue;
      input_lamps_[point] = new Indicator(common::ArrayName("shpIn", point),
                                          PointText(point) + " input", colour, parent);
      grid->addWidget(input_lamps_[point], row, col + 1);
    }
  };

  for (int k = 0; k < kChannels; ++k) {
    auto* frame = new ChannelFrame(common::ArrayName("fraChannel", k),
                                   QString("Channel %1").arg(k + 1), io_frame_);
    channel_frames_[k] = frame;
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(2);
    for (int r = 0; r < 3; ++r) add_point(frame, grid, 3 * k + r, r, 0);
    channels->addWidget(frame, k / kColumns, k % kColumns);
  }
  // Extra height goes to the channels; the last row stays together under them.
  column->addLayout(channels, 1);

  auto* bottom = new QHBoxLayout;
  auto* extra = new QGridLayout;
  add_point(io_frame_, extra, 54, 0, 0);
  add_point(io_frame_, extra, 55, 1, 0);
  extra->setVerticalSpacing(2);
  bottom->addLayout(extra);
  bottom->addSpacing(24);

  QGroupBox* opto = GroupFrame("fraOpto", "Opto Inputs", io_frame_);
  auto* opto_row = new QHBoxLayout(opto);
  for (int i = 0; i < kOptoInputs; ++i) {
    const QString caption = QString::fromStdString(OptoCaption(i));
    auto* label = new QLabel(caption, opto);
    label->setObjectName(common::ArrayName("Label1", i));
    label->setAccessibleName(caption);
    opto_lamps_[i] =
        new Indicator(common::ArrayName("shpOpto", i), caption + " input", kBlue, opto);
    opto_row->addWidget(label);
    opto_row->addWidget(opto_lamps_[i]);
    opto_row->addSpacing(12);
  }
  opto->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
  bottom->addWidget(opto, 0, Qt::AlignVCenter);
  bottom->addStretch();
  column->addLayout(bottom);
  return io_frame_;
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
  configure_menu_ = bar->addMenu("&Configure TBX");
  configure_menu_->setObjectName("mnuConfigure");
  AddWindowItem(configure_menu_, FeatureWindow::kInputFilters, "mnuConfigureInputs",
                "Input &Filters");
  AddWindowItem(configure_menu_, FeatureWindow::kInputTracking, "mnuInputTracking",
                "Input &Tracking");
  AddWindowItem(configure_menu_, FeatureWindow::kComplexOutputs, "mnuComplexOutputs",
                "&Complex Outputs");
  complex_outputs_item_ = MenuItem(FeatureWindow::kComplexOutputs);

  buffers_menu_ = bar->addMenu("&Buffers");
  buffers_menu_->setObjectName("mnuBuffers");
  AddWindowItem(buffers_menu_, FeatureWindow::kTransitionBuffer, "mnuTransition",
                "&Transition Buffer");
  AddWindowItem(buffers_menu_, FeatureWindow::kEventLog, "mnuEventLog", "&Diagnostic Log");
  event_log_item_ = MenuItem(FeatureWindow::kEventLog);
  event_log_item_->setEnabled(false);

  help_menu_ = bar->addMenu("&Help");
  help_menu_->setObjectName("mnuHelp");
  AddItem(help_menu_, "mnuHelpItem", "&Help")->setEnabled(false);
  firmware_update_item_ = AddItem(help_menu_, "mnuReFlash", "&Firmware Update", [this] {
    if (firmware_update_) firmware_update_();
  });
  flash_tools_menu_ = help_menu_->addMenu("Flash &Tools");
  flash_tools_menu_->setObjectName("mnuFlashTools");
  // Erase sits next to harmless items: every item gets its own key.
  const char* flash_items[] = {"&Launch",         "Read &ID",     "&Erase",     "&Calculate CS",
                               "&Program Record", "Read &Record", "Re&boot TBX"};
  for (int i = 0; i < 7; ++i) {
    AddItem(flash_tools_menu_, common::ArrayName("mnuFlashItem", i), flash_items[i], [this, i] {
      if (flash_tool_) flash_tool_(i);
    });
  }
  AddWindowItem(help_menu_, FeatureWindow::kLinkTrace, "mnuLinkTrace", "&Link Trace");
  AddWindowItem(help_menu_, FeatureWindow::kIoHistory, "mnuIoHistory", "&I/O History");
  help_menu_->addSeparator()->setObjectName("mnuHelpDivider2");
  AddItem(help_menu_, "mnuAbout", "&About", [this] { ShowAbout(); });

  // Shown only with "/kal" (Load).
  configure_menu_->menuAction()->setVisible(false);
  buffers_menu_->menuAction()->setVisible(false);
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
  input_control_buttons_[0]->setChecked(true);
  output_control_buttons_[1]->setChecked(true);
  transition_control_buttons_[1]->setChecked(true);
  zcross_disable_box_->setChecked(false);
  for (int i = 0; i <= 54; ++i) {
    output_checkboxes_[i]->setChecked(false);
    input_lamps_[i]->SetFilled(false);
  }
  for (Indicator* opto : opto_lamps_) opto->SetFilled(false);
  line_sync_lamp_->hide();
  link_lamp_->hide();
  for (ChannelFrame* frame : channel_frames_) frame->SetBorder(false);
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
  configure_menu_->menuAction()->setVisible(shown);
  buffers_menu_->menuAction()->setVisible(shown);
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
    if (frame.caption) channel_frames_[k]->SetCaption(QString::fromStdString(*frame.caption));
    if (frame.border) channel_frames_[k]->SetBorder(*frame.border);
  }
  for (int i = 0; i < kAddressedPoints; ++i) {
    if (layout.point_colours[i]) input_lamps_[i]->SetColour(Rgb(*layout.point_colours[i]));
  }
}

void MainWindow::ShowFirmwareVersion(const FirmwareDisplay& display) {
  SetPanelText(2, QString::fromStdString(display.panel2_text));
  complex_outputs_item_->setEnabled(display.complex_outputs_enabled);
  buffers_menu_->menuAction()->setEnabled(display.buffers_enabled);
  if (display.event_log_enabled) event_log_item_->setEnabled(*display.event_log_enabled);
}

void MainWindow::ShowInputs(const InputLamps& lamps) {
  for (int i = 0; i < kInputPoints; ++i) input_lamps_[i]->SetFilled(lamps.points[i]);
  for (int i = 0; i < kOptoInputs; ++i) opto_lamps_[i]->SetFilled(lamps.opto[i]);
}

void MainWindow::ShowLinkState(bool responding) {
  const QString text = responding ? "TBX Responding" : "TBX Not Responding";
  if (link_label_->text() != text) {
    link_label_->setText(text);
    link_label_->setAccessibleName(text);
  }
  // After loader mode the lamp was left hollow: the first answer fills it again.
  link_lamp_->SetFilled(true);
  link_lamp_->setAccessibleDescription("responding");
  link_lamp_->setVisible(responding);
  no_link_picture_->SetShown(!responding);
  if (io_frame_->isEnabled() != responding) common::EnableFrame(io_frame_, responding);
  // What the unit said of itself no longer holds when it does not answer.
  if (!responding) SetPanelText(2, QString());
}

void MainWindow::ShowLineSync(bool error) {
  line_sync_lamp_->SetFilled(true);
  line_sync_lamp_->setAccessibleDescription("active");
  line_sync_lamp_->setVisible(!error);
  line_sync_error_picture_->SetShown(error);
  line_sync_label_->setText(error ? "Line Sync Error" : "Line Sync Active");
  line_sync_label_->setAccessibleName(line_sync_label_->text());
}

OutputData MainWindow::OutputsFromForm() const {
  std::array<bool, kOutputPoints> checked{};
  for (int i = 0; i < kOutputPoints; ++i) checked[i] = output_checkboxes_[i]->isChecked();
  return OutputFormToData(checked);
}

InputControl MainWindow::ControlFromForm() const {
  return InputControl{.filtered = input_control_buttons_[1]->isChecked(),
                      .output_front_panel = output_control_buttons_[0]->isChecked(),
                      .transition_front_panel = transition_control_buttons_[0]->isChecked(),
                      .zcross_disabled = zcross_disable_box_->isChecked()};
}

void MainWindow::ClearAllOutputs() {
  for (QCheckBox* box : output_checkboxes_) box->setChecked(false);
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
  return panel == 1 || panel == 2 ? status_panels_[panel - 1]->text() : QString();
}

void MainWindow::SetPanelText(int panel, const QString& text) {
  if (panel != 1 && panel != 2) return;
  QLabel* label = status_panels_[panel - 1];
  if (label->text() == text) return;
  label->setText(text);
}

void MainWindow::ShowLoaderMode(bool running) {
  loader_mode_line_->setVisible(running);
  for (QGroupBox* frame : {io_frame_, input_control_frame_, output_control_frame_, zcross_frame_,
                           status_frame_, transition_control_frame_}) {
    // The I/O frame waits for the unit's first good answer after the reboot.
    if (!running && frame == io_frame_) continue;
    common::EnableFrame(frame, !running);
  }
  if (!running) return;
  // The lamps no longer say anything about the unit: hollow until polling is back.
  for (Indicator* lamp : input_lamps_) lamp->SetFilled(false);
  for (Indicator* lamp : opto_lamps_) lamp->SetFilled(false);
  const struct {
    Indicator* lamp;
    common::Picture* picture;
    QLabel* label;
    const char* text;
  } states[] = {
      {link_lamp_, no_link_picture_, link_label_, "TBX Polling Stopped"},
      {line_sync_lamp_, line_sync_error_picture_, line_sync_label_, "Line Sync Not Polled"}};
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
  progress_label_->setVisible(!text.isEmpty());
  progress_bar_->setVisible(!text.isEmpty());
  if (text.isEmpty()) return;
  progress_label_->setText(text);
  progress_label_->setAccessibleName(text);
  // A range of 0 to 0 makes the bar a busy indicator.
  progress_bar_->setRange(0, percent ? 100 : 0);
  if (percent) progress_bar_->setValue(*percent);
}

}  // namespace tessera::panel
