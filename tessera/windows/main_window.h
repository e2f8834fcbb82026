// The I/O panel. Shows what the session reports of every point of the unit, hands
// the technician's output and control choices to the session, and carries the menus.
// Later windows hook into it through the typed hooks below; their exchanges go
// through the session's request flags.
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "tessera/core/identity.h"
#include "tessera/core/io_mapping.h"
#include "tessera/core/requests.h"
#include "tessera/session/tessera_app.h"
#include "tessera/windows/modeless_window.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace common {
class Indicator;
class Picture;
}  // namespace common

namespace tessera::panel {

class ChannelFrame;
using common::Indicator;

// The menu items that open a window of their own, one instance each.
enum class FeatureWindow {
  kInputFilters,
  kInputTracking,
  kComplexOutputs,
  kTransitionBuffer,
  kEventLog,
  kLinkTrace,
  kIoHistory,
};
inline constexpr int kFeatureWindowCount = 7;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(TesseraApp& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence: the window reset and centred, then the session's
  // start-up. False when the port could not be opened: "Open Port Error" has been
  // shown and the program is to end.
  bool Load(const QString& command_line);
  bool Simulated() const { return app_.Simulated(); }

  // --- Hooks for later windows ---------------------------------------------------
  // What the window's menu item makes; until set, the item does nothing.
  void SetWindow(FeatureWindow window, ModelessWindow::Factory factory);
  // The live window, or nullptr.
  QWidget* WindowInstance(FeatureWindow window) const;
  QAction* MenuItem(FeatureWindow window) const;
  // Run when "&Firmware Update", or Flash Tools item `index` (0-6), is chosen.
  void SetFirmwareUpdateAction(std::function<void()> action);
  void SetFlashToolAction(std::function<void(int index)> action);
  // Both are off while an update or a flash tool runs.
  void EnableFlashItems(bool enabled);
  TesseraApp& App() { return app_; }
  Session& session() { return app_.session(); }

  // --- Display -------------------------------------------------------------------
  void ShowUnitAddress(int address);
  void ShowFirmwareVersion(const FirmwareDisplay& display);
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

  // --- Flash loader -------------------------------------------------------------
  // Loader mode: the frames are disabled, the input lamps dark, the link and line-sync
  // indicators say that polling has stopped, and a line says how to leave the mode.
  // Leaving it enables all but the I/O frame, which comes back with the unit's first answer.
  void ShowLoaderMode(bool running);
  // The reflash row: what the update or flash tool is doing now, with a percentage or
  // (nullopt) a busy bar. An empty text hides the row.
  void ShowReflashPhase(const QString& text, std::optional<int> percent);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildStatusFrame();
  QWidget* BuildControlFrames();
  QWidget* BuildIoFrame();
  void BuildMenus();
  void ConnectSession();
  QAction* AddItem(QMenu* menu, const QString& name, const QString& caption,
                   std::function<void()> chosen = {});
  void AddWindowItem(QMenu* menu, FeatureWindow window, const QString& name,
                     const QString& caption);
  void OpenWindow(FeatureWindow window);
  void ResetForm();
  void ShowCaption(const QString& caption);
  void ShowExtendedMenus(bool shown);
  // The session sends what the form shows.
  void PushControl();
  void PushOutputs();

  TesseraApp& app_;
  struct WindowItem {
    QAction* item = nullptr;
    ModelessWindow window;
  };
  std::array<WindowItem, kFeatureWindowCount> windows_;
  std::function<void()> firmware_update_;
  std::function<void(int)> flash_tool_;
  QString caption_;

  // Controls.
  QLabel* link_label_ = nullptr;
  Indicator* link_lamp_ = nullptr;
  common::Picture* no_link_picture_ = nullptr;
  QLabel* line_sync_label_ = nullptr;
  Indicator* line_sync_lamp_ = nullptr;
  common::Picture* line_sync_error_picture_ = nullptr;
  std::array<QRadioButton*, 2> input_control_buttons_{};
  std::array<QRadioButton*, 2> output_control_buttons_{};
  std::array<QRadioButton*, 2> transition_control_buttons_{};
  QCheckBox* zcross_disable_box_ = nullptr;
  QPushButton* clear_outputs_button_ = nullptr;
  QGroupBox* io_frame_ = nullptr;
  QGroupBox* status_frame_ = nullptr;
  QGroupBox* input_control_frame_ = nullptr;
  QGroupBox* output_control_frame_ = nullptr;
  QGroupBox* transition_control_frame_ = nullptr;
  QGroupBox* zcross_frame_ = nullptr;
  std::array<ChannelFrame*, kChannels> channel_frames_{};
  std::array<QCheckBox*, kOutputPoints> output_checkboxes_{};
  std::array<Indicator*, kInputPoints> input_lamps_{};
  std::array<Indicator*, kOptoInputs> opto_lamps_{};
  std::array<QLabel*, 2> status_panels_{};
  QProgressBar* progress_bar_ = nullptr;
  QLabel* progress_label_ = nullptr;
  QLabel* loader_mode_line_ = nullptr;

  QMenu* configure_menu_ = nullptr;
  QMenu* buffers_menu_ = nullptr;
  QMenu* help_menu_ = nullptr;
  QAction* complex_outputs_item_ = nullptr;
  QAction* event_log_item_ = nullptr;
  QAction* firmware_update_item_ = nullptr;
  QMenu* flash_tools_menu_ = nullptr;
};

}  // namespace tessera::panel
