#include "tessera/core/log_text.h"

#include <gtest/gtest.h>

namespace tessera::logs {
namespace {

TEST(LogTextTest, BlankLineBetweenReadsOnly) {
  LogText log;
  EXPECT_TRUE(log.Empty());
  log.Append("A\r\n");
  EXPECT_EQ(log.Text(), "A\r\n");
  log.Append("B\r\nC\r\n");
  EXPECT_EQ(log.Text(), "A\r\n\r\nB\r\nC\r\n");
  log.Clear();
  EXPECT_TRUE(log.Empty());
  log.Append("D\r\n");  // after "Clear Display Buffer" the next read starts the text again
  EXPECT_EQ(log.Text(), "D\r\n");
}

}  // namespace
}  // namespace tessera::logs
