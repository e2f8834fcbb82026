#include "common/widgets/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

namespace common {
namespace {

TEST(AboutBoxTest, ShowsTheTextByLinesAndClosesOnAClickAnywhere) {
  const AboutContent content{.window_title = "About Tool",
                             .heading = "Tool",
                             .text = "Tool Version 1.0\r\nSecond line\r\n",
                             .logo = QPixmap(16, 16),
                             .logo_name = "Tool logo"};
  for (const char* target : {"lblAbout", "imgLogo", "fraAbout", "Label1", ""}) {
    QPointer<AboutBox> box = new AboutBox(content);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->findChild<QLabel*>("lblAbout")->text(), "Tool Version 1.0\nSecond line\n");
    QWidget* widget = *target ? box->findChild<QWidget*>(target) : box.data();
    ASSERT_NE(widget, nullptr) << target;
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull()) << target;
    delete box.data();
  }
  // Without a heading the text is the big line.
  AboutContent bare = content;
  bare.heading.clear();
  AboutBox plain(bare);
  AboutBox headed(content);
  EXPECT_EQ(plain.findChild<QLabel*>("Label1"), nullptr);
  EXPECT_TRUE(plain.findChild<QLabel*>("lblAbout")->font().bold());
  EXPECT_FALSE(headed.findChild<QLabel*>("lblAbout")->font().bold());
}

}  // namespace
}  // namespace common
