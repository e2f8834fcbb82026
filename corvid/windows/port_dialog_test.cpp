#include "corvid/windows/port_dialog.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"
#include "corvid/link/settings_store.h"
#include "corvid/testing/fake_sysfs.h"

namespace corvid {
namespace {

const QString kUnavailable =
    "Port did not open.\nCheck that the port is not already used by another application.";
const QString kNotNumber = "Port Number must be a valid number";
const QString kNotFound =
    "Port number is not valid.\nCheck that port number is a valid Comm port on your system.";

struct BoxFixture {
  BoxFixture() {
    port.SetPortNumber(2);
    port.Open();
  }
  void Click(const char* name) {
    QTest::mouseClick(box.findChild<QPushButton*>(name), Qt::LeftButton);
  }
  // The port opened, the port stored, what the box said; 0 and "" for none.
  auto Outcome() const {
    const QSettings stored(dir.filePath("corvid.ini"), QSettings::IniFormat);
    return std::tuple(port.IsOpen() ? port.PortNumber() : 0,
                      stored.value("port/portnum").toString(),
                      prompts.shown().empty() ? QString() : prompts.shown()[0].text);
  }

  QTemporaryDir dir;
  common::SimulatedPort port{nullptr};
  common::ScriptedPrompts prompts;
  LinkSettings settings;
  SettingsStore store{dir.filePath("corvid.ini")};
  PortDialog box{port, prompts, settings, store};
};

TEST(PortDialogTest, ControlsPortListAndTheSimulatedDevice) {
  BoxFixture f;
  auto* usb = f.box.findChild<QPushButton*>("cmdUSB");
  QStringList captions{f.box.windowTitle(), f.box.findChild<QGroupBox*>("fraSetting")->title(),
                       f.box.findChild<QLabel*>("lblPort")->text(), usb->accessibleName()};
  for (const char* name : {"cmdOK", "cmdCancel", "cmdUSB"})
    captions << f.box.findChild<QPushButton*>(name)->text();
  EXPECT_EQ(captions, (QStringList{"Deva Vad Urodirudir Comm Port", "Comm Port", "COM",
                                   "Search USB", "&OK", "&Cancel", "&Search USB"}));
  EXPECT_FALSE(f.box.isModal());
  f.settings.PortNumber = 20;
  f.box.Load();
  ASSERT_EQ(f.box.PortBox()->count(), 20);
  EXPECT_EQ(f.box.PortBox()->currentText(), "20");
  f.settings.PortNumber = 25;  // not listed: still what OK opens
  f.box.Load();
  EXPECT_EQ(f.box.PortBox()->currentText(), "25");
  f.box.show();
  const int title = f.box.fontMetrics().horizontalAdvance(f.box.windowTitle());
  EXPECT_GE(f.box.width(), title + 120);  // wide enough for its title
  // For the simulated device it opens and stores no port; Cancel changes nothing either.
  f.box.SetSimulated(true);
  f.box.show();
  EXPECT_TRUE(f.box.findChild<QLabel*>("lblSimulated")->isVisible() &&
              !f.box.PortBox()->isEnabled() && !usb->isEnabled());
  for (const char* button : {"cmdOK", "cmdCancel"}) {
    f.Click(button);
    EXPECT_FALSE(f.box.isVisible());
    EXPECT_EQ(f.Outcome(), std::tuple(2, "", QString()));
    f.box.SetSimulated(false);
    f.box.show();
    f.box.PortBox()->setEditText("9");
  }
}

// OK with what the technician typed: the port opened (0 = the port open before stays),
// the stored number, the box shown, whether the dialog stays open; after a refusal the
// next keystrokes go into the port box again, replacing what was refused.
TEST(PortDialogTest, OkPaths) {
  struct Case {
    const char* text;
    const char* open_failure;
    int open_port;  // 0: closed
    QString stored, message;
  };
  for (const Case& c :
       {Case{"3", "", 3, "3", ""}, Case{"2.6", "", 3, "3", ""}, Case{"2.5", "", 2, "2", ""},
        Case{" 7 ", "", 7, "7", ""}, Case{"abc", "", 2, "", kNotNumber},
        Case{"", "", 2, "", kNotNumber}, Case{"COM3", "", 2, "", kNotNumber},
        Case{"0", "", 2, "", kNotFound}, Case{"5", "Port unavailable", 0, "", kUnavailable},
        Case{"5", "Port not found", 0, "", kNotFound}, Case{"5", "Disconnected", 0, "", ""},
        Case{"5", "Device or resource busy", 0, "", "Device or resource busy"}}) {
    SCOPED_TRACE(std::string(c.text) + " " + c.open_failure);
    BoxFixture f;
    f.port.SetOpenFailure(c.open_failure);
    f.box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.box));
    QLineEdit* edit = f.box.PortBox()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, c.text);
    f.Click("cmdOK");
    EXPECT_EQ(f.Outcome(), std::tuple(c.open_port, c.stored, c.message));
    EXPECT_EQ(f.settings.PortNumber, c.stored.isEmpty() ? 1 : c.stored.toInt());
    EXPECT_EQ(f.box.isVisible(), c.stored.isEmpty());
    if (c.message.isEmpty()) continue;
    const common::Message& box = f.prompts.shown()[0];
    EXPECT_TRUE(c.message == kNotNumber ||
                (box.title == "COM Port Open Error" && box.icon == common::Icon::kCritical));
    EXPECT_TRUE(QApplication::focusWidget() == f.box.PortBox() && edit->selectedText() == c.text);
    QTest::keyClicks(QApplication::focusWidget(), "4");
    EXPECT_EQ(f.box.PortBox()->currentText(), "4");
  }
}

// A sysfs tree with a Sealevel adapter (ttyUSB0), another USB adapter (ttyUSB1) and
// a plain serial port (ttyS0), plus a port directory of COMn links.
TEST(PortDialogTest, SearchUsbFillsTheBoxOrSaysWhy) {
  testing::FakeSysfs fake;
  BoxFixture f;
  f.box.show();
  f.box.PortBox()->setEditText("4");
  UsbSearchPaths paths = fake.Paths();
  paths.sysfs_root = fake.Path("empty");
  f.box.SetUsbSearchPaths(paths);
  f.Click("cmdUSB");
  EXPECT_EQ(f.box.PortBox()->currentText(), "4");
  EXPECT_EQ(f.Outcome(), std::tuple(2, "", "SeaLevel USB driver is not installed. Error=2"));
  EXPECT_EQ(std::pair(f.prompts.shown()[0].title, f.prompts.shown()[0].icon),
            std::pair(QString("USB Search"), common::Icon::kCritical));

  fake.Link("COM12", "ttyUSB0");
  f.box.SetUsbSearchPaths(fake.Paths());
  f.Click("cmdUSB");
  // Opened only by OK.
  EXPECT_EQ(
      std::tuple(f.box.PortBox()->currentText(), f.prompts.shown().size(), f.port.PortNumber()),
      std::tuple("12", 1u, 2));
}

}  // namespace
}  // namespace corvid
