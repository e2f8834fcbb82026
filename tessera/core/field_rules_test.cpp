#include "tessera/core/field_rules.h"

#include <gtest/gtest.h>

namespace tessera::config {
namespace {

TEST(FieldRulesTest, KeysAndValues) {
  EXPECT_TRUE(IsFieldKey('0') && IsFieldKey('9'));
  for (char key : {'/', ':', 'a', '-', ' ', '\b', '\0'}) EXPECT_FALSE(IsFieldKey(key)) << +key;

  const struct {
    const char* text;
    std::uint32_t value;
  } cases[] = {
      {"", 0},
      {"007", 7},
      {"255", 255},
      {"12abc", 12},
      {"abc", 0},
      {" 12", 0},  // does not start with a digit
      {"-3", 0},
      {"4294967295", 4294967295u},
      // Pasted digits never wrap back into range.
      {"4294967296", 4294967295u},
      {"99999999999999999999999", 4294967295u},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldValue(c.text), c.value) << c.text;
  ASSERT_EQ(InputList().size(), 60u);
  EXPECT_EQ(InputList()[59], "59");
}

TEST(FieldRulesTest, KeyPresses) {
  const struct {
    FieldState before;
    char key;
    FieldState after;
  } cases[] = {
      {{"12", 2}, '3', {"123", 3, 3}},
      {{"12", 0}, '9', {"912", 1, 1}},
      {{"12", 1}, 'a', {"12", 1}},           // discarded, nothing moves
      {{"123", 0}, kBackspace, {"123", 0}},  // at the start: nothing to delete
      {{"123", 2, 2}, kBackspace, {"13", 1, 1}},
      {{"12345", 4, 1, 3}, kBackspace, {"15", 1, 1}},  // the selection goes
      {{"12345", 4, 1, 3}, '0', {"105", 2, 2}},        // typed over the selection
      {{"300", 3, 0, 3}, '7', {"7", 1, 1}},
      {{"", 0}, kBackspace, {"", 0}},
      {{"12", 9, 5, 7}, kBackspace, {"1", 1, 1}},  // positions past the end are clamped
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ApplyFieldKey(c.before, c.key), c.after) << c.before.text << " + " << +c.key;
  }
}

TEST(FieldRulesTest, RangeMessages) {
  const std::string_view filter = "Error: Filter value must be 0 to 255";
  const std::string_view duration = "Error: Duration value must be 0 to 65535";
  const struct {
    const char* text;
    const FieldRange& range;
    std::optional<std::string_view> message;
  } cases[] = {
      {"", kFilterRange, std::nullopt},
      {"255", kFilterRange, std::nullopt},
      {"256", kFilterRange, filter},
      {"4294967296", kFilterRange, filter},  // 2^32: would be 0 if it wrapped
      {"255x", kFilterRange, std::nullopt},
      {"65535", kDurationRange, std::nullopt},
      {"65536", kDurationRange, duration},
      {"99999999999999999999", kDurationRange, duration},
  };
  for (const auto& c : cases) EXPECT_EQ(RangeError(c.text, c.range), c.message) << c.text;
}

}  // namespace
}  // namespace tessera::config
