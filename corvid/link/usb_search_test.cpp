#include "corvid/link/usb_search.h"

#include <gtest/gtest.h>

#include "corvid/testing/fake_sysfs.h"

namespace corvid {
namespace {

TEST(UsbSearchTest, PortWhoseLinkPointsAtTheAdapter) {
  testing::FakeSysfs fake;
  fake.Link("COM3", "ttyUSB1");
  fake.Link("COM4", "ttyS0");
  const QString kMissing = "SeaLevel USB driver is not installed. Error=2";
  // Adapter present, not linked: the driver-missing text, and how to link it.
  UsbSearchResult result = SearchUsbAdapter(fake.Paths());
  EXPECT_FALSE(result.found);
  EXPECT_EQ(result.message, kMissing);
  EXPECT_TRUE(result.detail.contains("ln -s /dev/ttyUSB0")) << result.detail.toStdString();

  fake.Link("COM15", "ttyUSB0");
  fake.Link("COM12", "ttyUSB0");  // the lowest number wins
  int portnum = 0;
  long errnum = -1;
  EXPECT_TRUE(IsUSBinstalled(portnum, errnum, fake.Paths()));
  EXPECT_EQ(portnum, 12);

  UsbSearchPaths no_adapter = fake.Paths();
  no_adapter.sysfs_root = fake.Path("nothing-here");
  EXPECT_FALSE(IsUSBinstalled(portnum, errnum, no_adapter));
  EXPECT_EQ(errnum, 2);
  EXPECT_EQ(SearchUsbAdapter(no_adapter).message, kMissing);
  EXPECT_TRUE(SearchUsbAdapter(no_adapter).detail.isEmpty());
}

TEST(UsbSearchTest, ErrorTexts) {
  const std::vector<std::pair<long, QString>> cases = {{0, "ERROR_NONE"},
                                                       {1, "USB ERROR_BADDB"},
                                                       {2, "SeaLevel USB driver is not installed."},
                                                       {3, "USB ERROR_CANTOPEN"},
                                                       {4, "USB ERROR_CANTREAD"},
                                                       {5, "USB ERROR_CANTWRITE"},
                                                       {6, "USB ERROR_OUTOFMEMORY"},
                                                       {7, "USB ERROR_ARENA_TRASHED"},
                                                       {8, "USB ERROR_ACCESS_DENIED"},
                                                       {87, "USB ERROR_INVALID_PARAMETERS"},
                                                       {259, "USB ERROR_NO_MORE_ITEMS"},
                                                       {-1, "USB Unknown error = -1"},
                                                       {1234, "USB Unknown error = 1234"}};
  for (const auto& [code, text] : cases) EXPECT_EQ(UsbErrorText(code), text);
}

}  // namespace
}  // namespace corvid
