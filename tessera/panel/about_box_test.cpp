#include "tessera/panel/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

namespace tessera::panel {
namespace {

constexpr char kHead[] = "Tessera Version 1.0\r\nITS Cabinet Standard v01.02.17b\r\n";

TEST(AboutText, ProgramVersionThenTheUnitsOnceItIdentified) {
  const UnitIdentity known{.FirmwareType = 0x23};  // never identified as extended
  const UnitIdentity unit{
      .KalUnit = true, .CommVersion = 0x21, .FirmwareType = 0x07, .FirmwareRevision = 0x14};
  const UnitIdentity odd{
      .KalUnit = true, .CommVersion = 0x1C, .FirmwareType = 0xAB, .FirmwareRevision = 0xF0};
  EXPECT_EQ(AboutText({1, 0, 0}, known), kHead);
  EXPECT_TRUE(AboutText({2, 5, 3}, {}).startsWith("Tessera Version 2.5.3\r\n"));
  EXPECT_EQ(AboutText({1, 0, 0}, unit),
            QString(kHead) +
                "\r\nTBX Firmware Version = 07\r\n"
                "TBX Firmware Revision = 1.4\r\nTBX Comm Version = 2.1");
  // Nibbles are written in decimal.
  EXPECT_TRUE(
      AboutText({1, 0, 0}, odd)
          .endsWith("Version = 1011\r\nTBX Firmware Revision = 15.0\r\nTBX Comm Version = 1.12"));
}

TEST(AboutBox, ShowsTextAndClosesOnAClickAnywhere) {
  for (const char* target : {"lblAbout", "imgLogo", "fraAbout", "Label1", ""}) {
    QPointer<AboutBox> box = new AboutBox(kHead);
    box->show();
    EXPECT_EQ(box->objectName(), "frmAbout");
    EXPECT_EQ(box->windowTitle(), "About Tessera");
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->findChild<QLabel*>("lblAbout")->text(),
              "Tessera Version 1.0\nITS Cabinet Standard v01.02.17b\n");
    QWidget* widget = *target ? box->findChild<QWidget*>(target) : box.data();
    ASSERT_NE(widget, nullptr) << target;
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull()) << target;  // closed and deleted
    delete box.data();
  }
}

}  // namespace
}  // namespace tessera::panel
