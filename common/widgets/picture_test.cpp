#include "common/widgets/picture.h"

#include <gtest/gtest.h>

#include <QVBoxLayout>

namespace common {
namespace {

TEST(PictureTest, ShowsAndHidesSpeakingItsStateAndKeepsItsRoom) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* picture =
      new Picture("imgFault_0", "Channel 1 Red fault", WarningPixmap(20, Qt::yellow), &window);
  auto* below = new QWidget(&window);
  below->setFixedSize(10, 10);
  layout->addWidget(picture);
  layout->addWidget(below);
  window.show();
  const int below_y = below->y();
  EXPECT_EQ(picture->accessibleName(), "Channel 1 Red fault");
  for (const bool shown : {false, true, false}) {
    picture->SetShown(shown);
    EXPECT_EQ(picture->Shown(), shown);
    EXPECT_EQ(picture->accessibleDescription(), shown ? "on" : "off");
    layout->activate();
    EXPECT_EQ(below->y(), below_y) << "hiding must not move the next row";
  }
}

}  // namespace
}  // namespace common
