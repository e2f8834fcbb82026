// frmMain: the I/O panel. Shows every point of the unit, drives the outputs, runs
// the poll tick and carries the menus. Later windows hook into it through menu
// actions, single-instance dialogs and request handlers.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

#include "tessera/link/frame.h"
#include "tessera/link/requests.h"
#include "tessera/panel/about_box.h"
#include "tessera/panel/app_state.h"
#include "tessera/panel/io_mapping.h"
#include "tessera/panel/modeless_dialogs.h"
#include "tessera/panel/poll_schedule.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace common {
class Indicator;
class Prompts;
class SerialPort;
}  // namespace common

namespace tessera {
class UnitLink;
}

namespace tessera::panel {

class ChannelFrame;
using common::Indicator;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kPollIntervalMs = 100;

  MainWindow(AppState& state, common::SerialPort& port, UnitLink& link, common::Prompts& prompts,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence. False when the port could not be opened: "Open Port
  // Error" has been shown and the program is to end.
  bool Load(const QString& command_line);
  // Marks the window as talking to the built-in simulated unit.
  void SetSimulated(bool simulated);
  bool Simulated() const { return simulated_; }

  // --- Hooks for later windows ---------------------------------------------------
  // Menu item (object name) -> single-instance modeless window.
  void SetDialog(const QString& menu_item, ModelessDialogs::Factory factory);
  QWidget* ShowDialog(const QString& menu_item);
  QWidget* DialogInstance(const QString& menu_item) const;
  // Menu item (object name) -> routine run when it is chosen.
  void SetMenuAction(const QString& menu_item, std::function<void()> action);
  // Routine serviced by the tick when the request's flag is set.
  void SetRequestHandler(Request request, RequestTable::Handler handler);
  AppState& State() { return state_; }
  UnitLink& Link() { return link_; }
  common::Prompts& Prompts() { return prompts_; }
  common::SerialPort& Port() { return port_; }

  // --- Poll cycle ----------------------------------------------------------------
  // One tmrPoll tick (skipped while a menu is open or an exchange runs).
  void PollTick();
  // The firmware update takes the link over: no tick runs until ResumePolling().
  void SuspendPolling();
  void ResumePolling();
  bool PollingSuspended() const { return polling_suspended_; }
  QTimer* PollTimer() const { return tmr_poll_; }

  // The front-panel exchanges of the tick.
  void SendInputFrame();
  void SendRMSFrame();
  void SendOutputFrame();
  void SendKalRmsFrame();

  // --- Display -------------------------------------------------------------------
  void ShowUnitAddress(ByteSpan input_response);
  // The window part of ShowFirmwareVersion, from the identity as it stands.
  void ShowFirmwareVersion();
  void ShowInputs(const InputLamps& lamps);
  void ShowLinkState(bool responding);
  void ShowLineSync(bool error);
  // Current check boxes as output bytes.
  OutputData OutputsFromForm() const;
  // Current control-mode choices.
  InputControl ControlFromForm() const;
  void ClearAllOutputs();
  void ShowAbout();

  // The required caption ("TBX Address #5, ..."); the title adds a simulated mark.
  QString Caption() const { return caption_; }
  // Status bar panel 1 or 2.
  QString PanelText(int panel) const;
  void SetPanelText(int panel, const QString& text);
  // Control-frame and I/O frames the firmware update disables.
  QStringList ControlFrameNames() const;

 signals:
  // Every menu item choice, by object name (after its action, if any).
  void MenuItemChosen(const QString& name);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildStatusFrame();
  QWidget* BuildControlFrames();
  QWidget* BuildIoFrame();
  void BuildMenus();
  QAction* AddItem(QMenu* menu, const QString& name, const QString& caption);
  void OnMenuItem(const QString& name);
  void ResetForm();
  void ShowCaption(const QString& caption);
  bool Stopping() const;

  AppState& state_;
  common::SerialPort& port_;
  UnitLink& link_;
  common::Prompts& prompts_;

  RequestTable request_table_;
  ModelessDialogs dialogs_;
  QHash<QString, std::function<void()>> menu_actions_;

  QTimer* tmr_poll_ = nullptr;
  bool in_tick_ = false;
  bool polling_suspended_ = false;
  bool closing_ = false;
  bool simulated_ = false;
  QString caption_;
  int port_number_ = 1;

  // Controls.
  QLabel* lbl_comm_ = nullptr;
  Indicator* shp_comm_status_ = nullptr;
  QLabel* img_tbx_comm_ = nullptr;
  QLabel* lbl_line_sync_ = nullptr;
  Indicator* shp_line_sync_ = nullptr;
  QLabel* img_line_sync_status_ = nullptr;
  std::array<QRadioButton*, 2> btn_input_control_{};
  std::array<QRadioButton*, 2> btn_output_control_{};
  std::array<QRadioButton*, 2> btn_trans_control_{};
  QCheckBox* chk_zcross_disable_ = nullptr;
  QPushButton* cmd_clear_all_ = nullptr;
  QGroupBox* fra_io_ = nullptr;
  std::array<ChannelFrame*, kChannels> fra_channel_{};
  std::array<QCheckBox*, kOutputPoints> chk_out_{};
  std::array<Indicator*, kInputPoints> shp_in_{};
  std::array<Indicator*, kOptoInputs> shp_opto_{};
  std::array<QLabel*, 2> sb_panels_{};
  QProgressBar* pgb_progress_ = nullptr;
  QLabel* lbl_reflash_progress_ = nullptr;

  QMenu* mnu_configure_ = nullptr;
  QMenu* mnu_buffers_ = nullptr;
  QMenu* mnu_help_ = nullptr;
  QAction* mnu_complex_outputs_ = nullptr;
  QAction* mnu_event_log_ = nullptr;
};

}  // namespace tessera::panel
