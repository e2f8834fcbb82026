#include "corvid/link/usb_search.h"

#include <gtest/gtest.h>

#include "corvid/testing/fake_sysfs.h"

namespace corvid {
namespace {

// What the port dialog's search does not show: an adapter present but not linked
// gets the command that links it, and of two links the lowest port number wins.
TEST(UsbSearchTest, PortWhoseLinkPointsAtTheAdapter) {
  testing::FakeSysfs fake;
  fake.Link("COM3", "ttyUSB1");
  fake.Link("COM4", "ttyS0");
  UsbSearchResult result = SearchUsbAdapter(fake.Paths());
  EXPECT_FALSE(result.found);
  EXPECT_EQ(result.message, "SeaLevel USB driver is not installed. Error=2");
  EXPECT_TRUE(result.detail.contains("ln -s /dev/ttyUSB0")) << result.detail.toStdString();
  fake.Link("COM15", "ttyUSB0");
  fake.Link("COM12", "ttyUSB0");
  int portnum = 0;
  long errnum = -1;
  EXPECT_TRUE(IsUSBinstalled(portnum, errnum, fake.Paths()));
  EXPECT_EQ(portnum, 12);
}

}  // namespace
}  // namespace corvid
