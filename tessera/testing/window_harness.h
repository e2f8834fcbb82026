// Test-only: Tessera's main window with its dialogs and log windows installed, loaded
// with "/kal" over the simulated TBX (in process, unpaced), polling stopped so the
// tests run the ticks themselves. The prompts record what the save dialog was asked.
// The one window fixture of every Tessera window test.
#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <memory>

#include "common/qtcore/device_app.h"
#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "tessera/session/tessera_app.h"
#include "tessera/sim/tbx_device.h"
#include "tessera/sim/tbx_model.h"
#include "tessera/windows/install_windows.h"
#include "tessera/windows/log_view.h"
#include "tessera/windows/log_window.h"
#include "tessera/windows/main_window.h"

namespace tessera::panel::testing {

struct SaveRequest {
  QString title, suggested, filter;
};

class RecordingPrompts : public common::ScriptedPrompts {
 public:
  std::optional<QString> SaveFile(const QString& title, const QString& suggested,
                                  const QString& filter) override {
    saves.push_back({title, suggested, filter});
    return ScriptedPrompts::SaveFile(title, suggested, filter);
  }
  std::vector<SaveRequest> saves;
};

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    Make();
    EXPECT_TRUE(Load("/kal"));
    Tick();  // the unit identifies: the Configure and Buffers items are enabled
  }

  // A new unit and window, not loaded yet. `simulated`: the built-in unit of "/sim".
  void Make(sim::TbxLoaderOptions loader = {}, bool simulated = false) {
    window_.reset();
    app_.reset();
    device_ = std::make_unique<sim::TbxDevice>(sim::TbxOptions{.idle_animation = false}, loader);
    common::PortSetup setup = simulated
                                  ? common::MakePortSetup(std::make_unique<sim::TbxModel>(), false)
                                  : common::PortSetup{};
    if (!simulated) setup.port = std::make_unique<common::SimulatedPort>(device_.get());
    port_ = static_cast<common::SimulatedPort*>(setup.port.get());
    app_ = std::make_unique<TesseraApp>(std::move(setup), prompts_);
    window_ = std::make_unique<MainWindow>(*app_);
    InstallWindows(*window_);
  }
  bool Load(const QString& command_line) {
    const bool ok = window_->Load(command_line);
    app_->session().Loop().Timer()->stop();
    port_->TakeWritten();
    return ok;
  }

  // One tick; the requests it wrote, as hex.
  QStringList Tick() {
    port_->TakeWritten();
    app_->session().PollTick();
    app_->session().Loop().Timer()->stop();
    QStringList sent;
    for (const QByteArray& block : port_->TakeWritten()) sent << common::testing::ToHex(block);
    return sent;
  }
  // Only the requests of the dialogs: the tick's own input, status and identify
  // requests (34, 31, 71) left out.
  QStringList TickRequests() { return Tick().filter(QRegularExpression("^(?!34|31|71)")); }

  // Chooses the window's menu item and returns the window it shows, active so keys land.
  template <typename T = QWidget>
  T* Open(FeatureWindow item) {
    window_->MenuItem(item)->trigger();
    auto* window = qobject_cast<T*>(window_->WindowInstance(item));
    EXPECT_NE(window, nullptr) << static_cast<int>(item);
    if (window != nullptr) {
      window->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    return window;
  }

  template <typename T = QWidget>
  T* Find(QWidget* window, const QString& name) {
    T* widget = window->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  template <typename T = QWidget>
  T* Find(const QString& name) {
    return Find<T>(window_.get(), name);
  }
  // Clicks on the control's own caption, not the room a layout may give it beside.
  void Click(QWidget* window, const QString& name) {
    if (QWidget* widget = Find(window, name)) {
      QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(8, widget->height() / 2));
    }
  }
  void Click(const QString& name) { Click(window_.get(), name); }
  // Picks a list entry with the keyboard: Home, then Down until it is reached.
  void Choose(QWidget* window, const QString& list, const QString& entry) {
    auto* combo = Find<QComboBox>(window, list);
    if (combo == nullptr) return;
    const int index = combo->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentText(), entry) << list.toStdString();
  }
  // Replaces the field's text by typing, as a technician does.
  static void Type(QWidget* field, const char* keys) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, keys);
  }
  // Clicks a log window's read button `clicks` times, runs one tick and waits until the
  // text is on screen; the dialogs' requests sent.
  QStringList Read(logs::LogWindow* window, const char* button, int clicks = 1) {
    for (int i = 0; i < clicks; ++i) Click(window, button);
    const QStringList sent = TickRequests();
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->View()->CatchingUp(); }, 5000));
    return sent;
  }
  static QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
  }
  // The boxes shown since the last call: "title: text", and "!" for an icon.
  QStringList Shown() {
    QStringList texts;
    for (const common::Message& m : prompts_.shown())
      texts << m.title + ": " + m.text + (m.icon != common::Icon::kNone ? "!" : "");
    prompts_.ClearShown();
    return texts;
  }

  // Controls (by their name's prefix) to which a screen reader gives no name.
  static QStringList Unnamed(QWidget* window) {
    static const QRegularExpression kControl("^(chk|btn|cmd|cmb|txt|lbl|fra|scr|rtxt|shp|img|pgb)");
    QStringList unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
      if (kControl.match(widget->objectName()).hasMatch() &&
          QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).isEmpty()) {
        unnamed << widget->objectName();
      }
    }
    return unnamed;
  }

  RecordingPrompts prompts_;
  std::unique_ptr<sim::TbxDevice> device_;
  common::SimulatedPort* port_ = nullptr;
  std::unique_ptr<TesseraApp> app_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace tessera::panel::testing
