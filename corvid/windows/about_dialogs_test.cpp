#include "corvid/windows/about_dialogs.h"

#include <gtest/gtest.h>

namespace corvid::monitor {
namespace {

TEST(AboutTextTest, ProductAndVersionWithoutAZeroRevision) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.3.3", "Corvid 1.3.3"}, {"1.3.0", "Corvid 1.3"}, {"2.0", "Corvid 2.0"},
      {"1", "Corvid 1.0"},       {"", "Corvid 0.0"},
  };
  for (const auto& [version, text] : cases) EXPECT_EQ(AboutText("Corvid", version), text);
  EXPECT_EQ(AboutText("Corvid", 1, 12, 4), "Corvid 1.12.4");
}

}  // namespace
}  // namespace corvid::monitor
