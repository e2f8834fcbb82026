#include "tessera/core/log_text.h"

#include <gtest/gtest.h>

namespace tessera::logs {
namespace {

TEST(LogTextTest, BlankLineBetweenReadsOnly) {
  LogText log;
  std::string seen = log.Empty() ? "empty|" : "|";
  log.Append("A\r\n");
  seen += log.Text() + "|";
  log.Append("B\r\nC\r\n");
  seen += log.Text() + "|";
  log.Clear();
  seen += log.Empty() ? "empty|" : "|";
  log.Append("D\r\n");  // after "Clear Display Buffer" the next read starts the text again
  EXPECT_EQ(seen + log.Text(), "empty|A\r\n|A\r\n\r\nB\r\nC\r\n|empty|D\r\n");
}

}  // namespace
}  // namespace tessera::logs
