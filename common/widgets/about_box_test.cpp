#include "common/widgets/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

namespace common {
namespace {

TEST(AboutBoxTest, KeepsTheTextShowsItByLinesAndClosesOnAClickAnywhere) {
  const AboutContent content{.window_title = "About Tool",
                             .heading = "Tool",
                             .text = "Tool Version 1.0\r\nSecond line\r\n",
                             .logo = QPixmap(16, 16),
                             .logo_name = "Tool logo"};
  for (const char* target : {"lblAbout", "imgLogo", "fraAbout", "Label1", ""}) {
    QPointer<AboutBox> box = new AboutBox(content);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    EXPECT_EQ(box->objectName(), "frmAbout");
    EXPECT_EQ(box->windowTitle(), "About Tool");
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->Text(), "Tool Version 1.0\r\nSecond line\r\n");
    EXPECT_EQ(box->findChild<QLabel*>("lblAbout")->text(), "Tool Version 1.0\nSecond line\n");
    QWidget* widget = *target ? box->findChild<QWidget*>(target) : box.data();
    ASSERT_NE(widget, nullptr) << target;
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull()) << target;
    delete box.data();
  }
}

TEST(AboutBoxTest, WithoutAHeadingTheTextIsTheBigLine) {
  AboutContent content;
  content.window_title = "About Tool";
  content.text = "Tool 1.3";
  AboutBox plain(content);
  content.heading = "Tool";
  AboutBox headed(content);
  EXPECT_EQ(plain.findChild<QLabel*>("Label1"), nullptr);
  const QFont big = plain.findChild<QLabel*>("lblAbout")->font();
  const QFont normal = headed.findChild<QLabel*>("lblAbout")->font();
  EXPECT_TRUE(big.bold());
  EXPECT_FALSE(normal.bold());
  EXPECT_EQ(headed.findChild<QLabel*>("Label1")->font(), big);
}

}  // namespace
}  // namespace common
