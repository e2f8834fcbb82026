#include "tessera/core/field_rules.h"

#include <gtest/gtest.h>

namespace tessera::config {
namespace {

TEST(FieldRulesTest, KeysAndValues) {
  EXPECT_TRUE(IsFieldKey('0') && IsFieldKey('9'));
  for (char key : {'/', ':', 'a', '-', ' ', '\b', '\0'}) EXPECT_FALSE(IsFieldKey(key)) << +key;

  const std::pair<const char*, std::uint32_t> cases[] = {
      {"", 0},
      {"12abc", 12},
      {" 12", 0},  // does not start with a digit
      {"-3", 0},
      // Pasted digits never wrap back into range.
      {"4294967296", 4294967295u},
      {"99999999999999999999999", 4294967295u},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(FieldValue(text), value) << text;
  EXPECT_EQ(InputList().size() == 60 ? InputList()[59] : "", "59");
}

TEST(FieldRulesTest, RangeMessages) {
  const std::string_view filter = "Error: Filter value must be 0 to 255";
  const std::string_view duration = "Error: Duration value must be 0 to 65535";
  const std::tuple<const char*, const FieldRange&, std::optional<std::string_view>> cases[] = {
      {"", kFilterRange, std::nullopt},
      {"256", kFilterRange, filter},
      {"4294967296", kFilterRange, filter},  // 2^32: would be 0 if it wrapped
      {"255x", kFilterRange, std::nullopt},
      {"65536", kDurationRange, duration},
      {"99999999999999999999", kDurationRange, duration},
  };
  for (const auto& [text, range, message] : cases) EXPECT_EQ(RangeError(text, range), message);
}

}  // namespace
}  // namespace tessera::config
