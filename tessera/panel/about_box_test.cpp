#include "tessera/panel/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

namespace tessera::panel {
namespace {

TEST(AboutText, WithoutExtendedUnitHasNoFirmwareLines) {
  UnitIdentity identity;
  identity.FirmwareType = 0x23;  // known but the unit never identified as extended
  EXPECT_EQ(AboutText({1, 0, 0}, identity),
            "Tessera Version 1.0\r\nITS Cabinet Standard v01.02.17b\r\n");
}

TEST(AboutText, RevisionShownOnlyWhenNotZero) {
  EXPECT_TRUE(AboutText({2, 5, 3}, {}).startsWith("Tessera Version 2.5.3\r\n"));
  EXPECT_TRUE(AboutText({2, 5, 0}, {}).startsWith("Tessera Version 2.5\r\n"));
}

TEST(AboutText, ExtendedUnitAddsItsVersions) {
  UnitIdentity identity;
  identity.KalUnit = true;
  identity.FirmwareType = 0x07;
  identity.FirmwareRevision = 0x14;
  identity.CommVersion = 0x21;
  EXPECT_EQ(AboutText({1, 0, 0}, identity),
            "Tessera Version 1.0\r\nITS Cabinet Standard v01.02.17b\r\n\r\n"
            "TBX Firmware Version = 07\r\nTBX Firmware Revision = 1.4\r\n"
            "TBX Comm Version = 2.1");
}

TEST(AboutText, NibblesAreDecimal) {
  UnitIdentity identity;
  identity.KalUnit = true;
  identity.FirmwareType = 0xAB;
  identity.FirmwareRevision = 0xF0;
  identity.CommVersion = 0x1C;
  const QString text = AboutText({1, 0, 0}, identity);
  EXPECT_TRUE(text.contains("TBX Firmware Version = 1011\r\n")) << text.toStdString();
  EXPECT_TRUE(text.contains("TBX Firmware Revision = 15.0\r\n"));
  EXPECT_TRUE(text.endsWith("TBX Comm Version = 1.12"));
}

TEST(AboutBox, ShowsTextAndClosesOnAClickAnywhere) {
  for (const char* target : {"lblAbout", "imgLogo", "fraAbout", "Label1", ""}) {
    auto* box = new AboutBox("Tessera Version 1.0\r\nITS Cabinet Standard v01.02.17b\r\n");
    QPointer<AboutBox> guard(box);
    box->show();
    EXPECT_EQ(box->objectName(), "frmAbout");
    EXPECT_EQ(box->windowTitle(), "About Tessera");
    EXPECT_TRUE(box->isModal());
    auto* label = box->findChild<QLabel*>("lblAbout");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Tessera Version 1.0\nITS Cabinet Standard v01.02.17b\n");
    EXPECT_EQ(box->Text(), "Tessera Version 1.0\r\nITS Cabinet Standard v01.02.17b\r\n");
    QWidget* widget = *target ? box->findChild<QWidget*>(target) : box;
    ASSERT_NE(widget, nullptr) << target;
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(box->isVisible()) << target;
    // Deleted on close.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull()) << target;
    delete guard.data();
  }
}

}  // namespace
}  // namespace tessera::panel
