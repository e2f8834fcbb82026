#include "tessera/core/field_rules.h"

#include <limits>

namespace tessera::config {

bool IsFieldKey(char key) { return key >= '0' && key <= '9'; }

std::uint32_t FieldValue(std::string_view text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t value = 0;
  for (char c : text) {
    if (!IsFieldKey(c)) break;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kMax) return static_cast<std::uint32_t>(kMax);
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<std::string_view> RangeError(std::string_view text, const FieldRange& range) {
  if (FieldValue(text) > range.max) return range.message;
  return std::nullopt;
}

std::vector<std::string> InputList() {
  std::vector<std::string> list;
  list.reserve(kInputCount);
  for (int i = 0; i < kInputCount; ++i) list.push_back(std::to_string(i));
  return list;
}

bool IsInputPosition(int position) { return position >= 0 && position < kInputCount; }

}  // namespace tessera::config
