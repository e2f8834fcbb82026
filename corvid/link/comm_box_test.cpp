#include "corvid/link/comm_box.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "common/prompts.h"
#include "common/simulated_port.h"
#include "corvid/link/link_settings.h"
#include "corvid/link/port_open.h"
#include "corvid/link/usb_search.h"

namespace corvid {
namespace {

TEST(PortOpenFailureMessageTest, TextByStatus) {
  struct Case {
    const char* status;
    std::optional<QString> text;
  };
  for (const Case& c :
       {Case{"Disconnected", std::nullopt},
        Case{"Port unavailable",
             "Port did not open.\nCheck that the port is not already used by another application."},
        Case{"Port not found",
             "Port number is not valid.\nCheck that port number is a valid Comm port on your "
             "system."},
        Case{"Permission denied", "Permission denied"}}) {
    SCOPED_TRACE(c.status);
    const auto message = PortOpenFailureMessage(c.status, "os words");
    ASSERT_EQ(message.has_value(), c.text.has_value());
    if (!message) continue;
    EXPECT_EQ(message->text, *c.text);
    EXPECT_EQ(message->title, "COM Port Open Error");
    EXPECT_EQ(message->icon, common::Icon::kCritical);
    EXPECT_EQ(message->buttons, common::Buttons::kOk);
    EXPECT_EQ(message->detail, "os words");
  }
}

TEST(OpenStoredPortTest, AppliesLineSettingsThenOpens) {
  common::SimulatedPort port(nullptr);
  common::ScriptedPrompts prompts;
  EXPECT_TRUE(OpenStoredPort(port, prompts, 4));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.PortNumber(), 4);
  EXPECT_EQ(port.Settings().baud, 307200);
  EXPECT_EQ(port.Settings().parity, 'N');
  EXPECT_EQ(port.Settings().data_bits, 8);
  EXPECT_EQ(port.Settings().stop_bits, 1);
  EXPECT_TRUE(prompts.shown().empty());
}

TEST(OpenStoredPortTest, FailureIsReportedAndLeavesPortClosed) {
  common::SimulatedPort port(nullptr);
  common::ScriptedPrompts prompts;
  port.SetOpenFailure("Port not found");
  EXPECT_FALSE(OpenStoredPort(port, prompts, 9));
  EXPECT_FALSE(port.IsOpen());
  ASSERT_EQ(prompts.shown().size(), 1u);
  EXPECT_TRUE(prompts.shown()[0].text.startsWith("Port number is not valid."));
}

class CommBoxTest : public ::testing::Test {
 protected:
  CommBoxTest()
      : port_(nullptr), store_(dir_.filePath("corvid.ini")), box_(port_, prompts_, settings_, store_) {}

  template <typename T>
  T* Find(const char* name) {
    return box_.findChild<T*>(name);
  }
  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  QString StoredPort() {
    return QSettings(dir_.filePath("corvid.ini"), QSettings::IniFormat).value("port/portnum").toString();
  }
  void ShowWithPort(const QString& text) {
    box_.show();
    box_.cmbPort()->setEditText(text);
  }

  QTemporaryDir dir_;
  common::SimulatedPort port_;
  common::ScriptedPrompts prompts_;
  LinkSettings settings_;
  SettingsStore store_;
  CommBox box_;
};

TEST_F(CommBoxTest, ControlsCarryTheirNamesAndCaptions) {
  EXPECT_EQ(box_.objectName(), "frmCommBox");
  EXPECT_EQ(box_.windowTitle(), "Deva Vad Urodirudir Comm Port");
  EXPECT_EQ(Find<QGroupBox>("fraSetting")->title(), "Comm Port");
  EXPECT_EQ(Find<QLabel>("lblPort")->text(), "COM");
  EXPECT_EQ(Find<QPushButton>("cmdOK")->text(), "&OK");
  EXPECT_EQ(Find<QPushButton>("cmdCancel")->text(), "&Cancel");
  EXPECT_EQ(Find<QPushButton>("cmdUSB")->text(), "&Search USB");
  EXPECT_EQ(Find<QPushButton>("cmdUSB")->accessibleName(), "Search USB");
  auto* cmb = Find<QComboBox>("cmbPort");
  ASSERT_NE(cmb, nullptr);
  EXPECT_TRUE(cmb->isEditable());
  EXPECT_FALSE(cmb->accessibleName().isEmpty());
  EXPECT_FALSE(box_.isModal());
}

TEST_F(CommBoxTest, LoadListsTwentyPortsAndPreselectsStoredOne) {
  settings_.PortNumber = 20;
  box_.Load();
  ASSERT_EQ(box_.cmbPort()->count(), 20);
  EXPECT_EQ(box_.cmbPort()->itemText(0), "1");
  EXPECT_EQ(box_.cmbPort()->itemText(19), "20");
  EXPECT_EQ(box_.cmbPort()->currentText(), "20");
  settings_.PortNumber = 25;
  box_.Load();
  EXPECT_EQ(box_.cmbPort()->count(), 20);
  EXPECT_EQ(box_.cmbPort()->currentText(), "25");
}

TEST_F(CommBoxTest, OkOpensPortStoresItAndCloses) {
  QSignalSpy opened(&box_, &CommBox::PortOpened);
  ShowWithPort("3");
  Click("cmdOK");
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(port_.PortNumber(), 3);
  EXPECT_EQ(settings_.PortNumber, 3);
  EXPECT_EQ(StoredPort(), "3");
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0].at(0).toInt(), 3);
  EXPECT_FALSE(box_.isVisible());
  EXPECT_TRUE(prompts_.shown().empty());
}

TEST_F(CommBoxTest, NumberIsRoundedToWholePort) {
  for (const auto& [text, port] : {std::pair{"2.6", 3}, std::pair{"2.5", 2}, std::pair{" 7 ", 7}}) {
    ShowWithPort(text);
    EXPECT_TRUE(box_.ClickOK()) << text;
    EXPECT_EQ(port_.PortNumber(), port) << text;
  }
}

TEST_F(CommBoxTest, NonNumberIsRefusedAndChangesNothing) {
  port_.SetPortNumber(1);
  port_.Open();
  for (const char* text : {"abc", "", "COM3"}) {
    prompts_.ClearShown();
    ShowWithPort(text);
    EXPECT_FALSE(box_.ClickOK());
    ASSERT_EQ(prompts_.shown().size(), 1u) << text;
    EXPECT_EQ(prompts_.shown()[0].text, "Port Number must be a valid number");
    EXPECT_EQ(prompts_.shown()[0].title, "COM Port Number Error");
    EXPECT_EQ(prompts_.shown()[0].icon, common::Icon::kCritical);
    EXPECT_TRUE(box_.isVisible());
  }
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(settings_.PortNumber, 1);
  EXPECT_TRUE(StoredPort().isEmpty());
}

TEST_F(CommBoxTest, ImpossiblePortNumberKeepsTheOpenPort) {
  port_.SetPortNumber(2);
  port_.Open();
  ShowWithPort("0");
  EXPECT_FALSE(box_.ClickOK());
  ASSERT_EQ(prompts_.shown().size(), 1u);
  EXPECT_TRUE(prompts_.shown()[0].text.startsWith("Port number is not valid."));
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(port_.PortNumber(), 2);
}

TEST_F(CommBoxTest, OpenFailureReportsAndKeepsDialogOpen) {
  struct Case {
    const char* status;
    int boxes;
  };
  for (const Case& c : {Case{"Port unavailable", 1}, Case{"Port not found", 1},
                        Case{"Disconnected", 0}, Case{"Device or resource busy", 1}}) {
    SCOPED_TRACE(c.status);
    prompts_.ClearShown();
    port_.SetOpenFailure(c.status);
    ShowWithPort("5");
    Click("cmdOK");
    EXPECT_EQ(static_cast<int>(prompts_.shown().size()), c.boxes);
    if (c.boxes == 1) {
      EXPECT_EQ(prompts_.shown()[0].title, "COM Port Open Error");
    }
    EXPECT_FALSE(port_.IsOpen());
    EXPECT_TRUE(box_.isVisible());
    EXPECT_EQ(settings_.PortNumber, 1);
    EXPECT_TRUE(StoredPort().isEmpty());
  }
}

TEST_F(CommBoxTest, CancelClosesAndChangesNothing) {
  ShowWithPort("9");
  Click("cmdCancel");
  EXPECT_FALSE(box_.isVisible());
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(settings_.PortNumber, 1);
  EXPECT_TRUE(StoredPort().isEmpty());
}

// A sysfs tree with a Sealevel adapter (ttyUSB0), another USB adapter (ttyUSB1) and
// a plain serial port (ttyS0), plus a port directory of COMn links.
class FakeSysfs {
 public:
  FakeSysfs() {
    AddTty("ttyUSB0", "devices/pci0/usb1/1-1", "0c52\n", "a001\n");
    AddTty("ttyUSB1", "devices/pci0/usb1/1-2", "0403\n", "6001\n");
    AddTty("ttyS0", "devices/platform/serial8250", nullptr, nullptr);
    QDir().mkpath(Path("class/tty/tty0"));  // virtual console: no device link
    QDir().mkpath(Path("dev"));
    for (const char* node : {"ttyUSB0", "ttyUSB1", "ttyS0"}) {
      QFile file(Path(QStringLiteral("dev/") + node));
      file.open(QIODevice::WriteOnly);
    }
    QDir().mkpath(Path("com"));
  }
  QString Path(const QString& relative) const { return dir_.filePath(relative); }
  void Link(const char* com, const char* node) {
    QFile::link(Path(QStringLiteral("dev/") + node), Path(QStringLiteral("com/") + com));
  }
  UsbSearchPaths Paths() const { return {Path("sys"), Path("com")}; }

 private:
  void AddTty(const QString& tty, const QString& usb_dir, const char* vendor, const char* product) {
    const QString usb = "sys/" + usb_dir;
    const QString port = usb + "/port0/" + tty;
    QDir().mkpath(Path(port + "/tty/" + tty));
    if (vendor) Write(usb + "/idVendor", vendor);
    if (product) Write(usb + "/idProduct", product);
    QFile::link("../../../" + tty, Path(port + "/tty/" + tty + "/device"));
    QDir().mkpath(Path("sys/class/tty"));
    QFile::link(Path(port + "/tty/" + tty), Path("sys/class/tty/" + tty));
  }
  void Write(const QString& relative, const char* text) {
    QFile file(Path(relative));
    file.open(QIODevice::WriteOnly);
    file.write(text);
  }
  QTemporaryDir dir_;
};

TEST(UsbSearchTest, FindsPortWhoseLinkPointsAtTheAdapter) {
  FakeSysfs fake;
  fake.Link("COM3", "ttyUSB1");
  fake.Link("COM4", "ttyS0");
  fake.Link("COM12", "ttyUSB0");
  int portnum = 0;
  long errnum = -1;
  EXPECT_TRUE(IsUSBinstalled(portnum, errnum, fake.Paths()));
  EXPECT_EQ(portnum, 12);
}

TEST(UsbSearchTest, NoAdapterGivesDriverMissingCodeTwo) {
  FakeSysfs fake;
  fake.Link("COM3", "ttyUSB1");
  UsbSearchPaths paths = fake.Paths();
  paths.sysfs_root = fake.Path("nothing-here");
  int portnum = 0;
  long errnum = 0;
  EXPECT_FALSE(IsUSBinstalled(portnum, errnum, paths));
  EXPECT_EQ(errnum, 2);
  EXPECT_EQ(SearchUsbAdapter(paths).message, "SeaLevel USB driver is not installed. Error=2");
}

TEST(UsbSearchTest, AdapterWithoutComLinkSaysHowToLinkIt) {
  FakeSysfs fake;
  fake.Link("COM3", "ttyUSB1");
  const UsbSearchResult result = SearchUsbAdapter(fake.Paths());
  EXPECT_FALSE(result.found);
  EXPECT_TRUE(result.message.contains("/dev/ttyUSB0")) << result.message.toStdString();
  EXPECT_TRUE(result.message.contains("ln -s")) << result.message.toStdString();
}

TEST(UsbErrorTextTest, Table) {
  struct Case {
    long code;
    const char* text;
  };
  for (const Case& c : {Case{0, "ERROR_NONE"}, Case{1, "USB ERROR_BADDB"},
                        Case{2, "SeaLevel USB driver is not installed."},
                        Case{3, "USB ERROR_CANTOPEN"}, Case{4, "USB ERROR_CANTREAD"},
                        Case{5, "USB ERROR_CANTWRITE"}, Case{6, "USB ERROR_OUTOFMEMORY"},
                        Case{7, "USB ERROR_ARENA_TRASHED"}, Case{8, "USB ERROR_ACCESS_DENIED"},
                        Case{87, "USB ERROR_INVALID_PARAMETERS"},
                        Case{259, "USB ERROR_NO_MORE_ITEMS"}, Case{-1, "USB Unknown error = -1"},
                        Case{1234, "USB Unknown error = 1234"}}) {
    EXPECT_EQ(UsbErrorText(c.code), c.text);
  }
}

TEST_F(CommBoxTest, SearchUsbPutsFoundNumberIntoTheBox) {
  FakeSysfs fake;
  fake.Link("COM12", "ttyUSB0");
  box_.SetUsbSearchPaths(fake.Paths());
  box_.show();
  Click("cmdUSB");
  EXPECT_EQ(box_.cmbPort()->currentText(), "12");
  EXPECT_TRUE(prompts_.shown().empty());
  EXPECT_FALSE(port_.IsOpen());  // opened only by OK
}

TEST_F(CommBoxTest, SearchUsbFailureShowsBoxAndLeavesTheBox) {
  FakeSysfs fake;
  UsbSearchPaths paths = fake.Paths();
  paths.sysfs_root = fake.Path("empty");
  box_.SetUsbSearchPaths(paths);
  ShowWithPort("4");
  Click("cmdUSB");
  EXPECT_EQ(box_.cmbPort()->currentText(), "4");
  ASSERT_EQ(prompts_.shown().size(), 1u);
  EXPECT_EQ(prompts_.shown()[0].title, "USB Search");
  EXPECT_EQ(prompts_.shown()[0].text, "SeaLevel USB driver is not installed. Error=2");
  EXPECT_EQ(prompts_.shown()[0].icon, common::Icon::kCritical);
}

}  // namespace
}  // namespace corvid
