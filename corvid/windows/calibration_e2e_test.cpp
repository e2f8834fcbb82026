// Corvid's windows and session over the real serial path (QtSerialPort on a
// pseudo-terminal) against the switchpack-sim executable: the full calibration clicked
// through as a technician does it, then the readings it leaves.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "common/testing/hex.h"
#include "common/testing/scripted_prompts.h"
#include "common/testing/test_support.h"
#include "corvid/core/hdlc_frame.h"
#include "corvid/link/settings_store.h"
#include "corvid/session/corvid_app.h"
#include "corvid/windows/calibrate_window.h"
#include "corvid/windows/calibration_windows.h"
#include "corvid/windows/main_window.h"

namespace corvid::calibration {
namespace {

using namespace common::testing;

// Unstuffed bodies (FCS included) of the frames the host sent, from the traffic log.
std::vector<Bytes> HostFrames(const QString& log) {
  std::vector<Bytes> frames;
  HdlcReceiver rx;
  for (const LoggedBlock& block : ReadTrafficLog(log)) {
    if (!block.from_host) continue;
    for (char c : block.bytes) {
      if (rx.Take(static_cast<std::uint8_t>(c))) {
        frames.push_back(rx.Frame());
        rx.Reset();
      }
    }
  }
  return frames;
}

// Sets and restores an environment variable around the test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QString& value) : name_(name), old_(qgetenv(name)) {
    had_ = qEnvironmentVariableIsSet(name);
    qputenv(name, value.toLocal8Bit());
  }
  ~ScopedEnv() { had_ ? (void)qputenv(name_, old_) : (void)qunsetenv(name_); }

 private:
  const char* name_;
  QByteArray old_;
  bool had_ = false;
};

TEST(CalibrationEndToEnd, FullCalibrationOverAPty) {
  const QString sim_path = BinDir() + "/switchpack-sim";
  ASSERT_TRUE(QFileInfo(sim_path).isExecutable()) << sim_path.toStdString();
  QTemporaryDir tmp;
  const QString com_dir = tmp.filePath("com"), log = tmp.filePath("traffic.log");
  ASSERT_TRUE(QDir().mkpath(com_dir));
  const ScopedEnv port_dir("CABINET_COM_DIR", com_dir);
  QProcess sim;
  sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // A VELD-LV on 48 V with VCAL and ICAL both at their calibration positions, so the
  // switches need no hands; every measurement a few percent off.
  sim.start(sim_path, {"--port", "9", "--type", "2", "--mains", "48", "--vcal", "--volts-error",
                       "2,-1,0,-3,3,1", "--mains-error", "-2", "--amps-error", "-3,2,4,-2,0,-4",
                       "--log", log});
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(com_dir + "/COM9"); }, 5000));

  common::ScriptedPrompts prompts;
  auto store = std::make_unique<SettingsStore>(tmp.filePath("Corvid.conf"));
  store->SavePortNumber(9);
  CorvidApp app(CorvidPortSetup(false), prompts, std::move(store));
  monitor::MainWindow window(app);
  window.show();
  window.Load();
  window.Calibration()->Guided().SetPauseMs(20);
  ASSERT_TRUE(WaitUntil([&] { return app.state().device_type == 2; }, 5000))
      << "not identified; prompts: " << prompts.shown().size();

  QMenuBar* bar = window.menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {},
                    bar->actionGeometry(window.CalibrateMenu()->menuAction()).center());
  window.CalibrateMenu()->close();
  auto* full = window.findChild<QPushButton*>("cmdCalAuto");
  ASSERT_TRUE(full->isEnabled());
  QTest::mouseClick(full, Qt::LeftButton);
  auto* calibrate = window.findChild<CalibrateWindow*>("frmCalibrate");
  auto* start = calibrate->findChild<QPushButton*>("cmdStart");
  auto* cancel = calibrate->findChild<QPushButton*>("cmdCancel");
  for (int step = 1; step <= 2; ++step) {
    ASSERT_TRUE(WaitUntil([&] { return calibrate->isVisible() && start->isEnabled(); }, 10000))
        << "step " << step;
    QTest::mouseClick(start, Qt::LeftButton);
  }
  ASSERT_TRUE(WaitUntil([&] { return cancel->text() != "&Cancel"; }, 20000));
  EXPECT_EQ(cancel->text(), "Done");
  EXPECT_TRUE(calibrate->Instructions().endsWith("\nCalibration Completed\n"));
  EXPECT_TRUE(prompts.shown().empty());

  // Polling is back; with every output driven the readings are inside their bands.
  for (int i = 0; i < 6; ++i) {  // on the box itself, at the left of the caption
    QCheckBox* box = window.OutputDisableBox(i);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
  }
  ASSERT_EQ(app.session().Disables(), 0);
  const int polls = static_cast<int>(HostFrames(log).size());
  ASSERT_TRUE(
      WaitUntil([&] { return static_cast<int>(HostFrames(log).size()) > polls + 8; }, 5000));
  QTest::mouseClick(cancel, Qt::LeftButton);
  EXPECT_EQ(window.MainsVoltageBox()->text(), "48.0");
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(window.FieldVoltsBox(i)->text(), "48.0") << i;
    const int amps = window.FieldAmpsBox(i)->text().toInt();
    EXPECT_GE(amps, 1785) << i;  // 1837.67 mA expected: 0.97-1.03
    EXPECT_LE(amps, 1894) << i;
  }
  sim.terminate();
  sim.waitForFinished(3000);

  // On the wire: the defaults twice, the voltage factors, then all thirteen. An answer
  // late on a loaded machine makes the run send the same factors again (a third
  // defaults counts as a repeat too): only the order matters here.
  std::vector<std::string> sets;
  for (const Bytes& body : HostFrames(log)) {
    if (body.size() != 31 || body[2] != 0x7C) continue;
    const std::string set = H({body.data() + 2, 27});
    const bool repeat = !sets.empty() && sets.back() == set && (sets.size() != 1);
    if (!repeat) sets.push_back(set);
  }
  const std::string defaults =
      "7C 70 4F 70 4F 70 4F 70 4F 70 4F 70 4F 70 4F 80 7E 80 7E 80 7E 80 7E 80 7E 80 7E";
  EXPECT_EQ(sets,
            (std::vector<std::string>{
                defaults, defaults,
                "7C D1 4D 46 50 70 4F D3 51 30 4D 9E 4E 21 51 80 7E 80 7E 80 7E 80 7E 80 7E 80 7E",
                "7C D1 4D 46 50 70 4F D3 51 30 4D 9E 4E 21 51 70 80 46 7D 12 7C CA 7F 7D 7E 24 "
                "81"}));
}

}  // namespace
}  // namespace corvid::calibration
