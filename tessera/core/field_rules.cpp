#include "tessera/core/field_rules.h"

#include <algorithm>
#include <limits>

namespace tessera::config {

bool IsFieldKey(char key) { return key >= '0' && key <= '9'; }

FieldState ApplyFieldKey(const FieldState& state, char key) {
  if (key != kBackspace && !IsFieldKey(key)) return state;
  FieldState out = state;
  const int size = static_cast<int>(out.text.size());
  const int start = std::clamp(out.selection_start, 0, size);
  const int length = std::clamp(out.selection_length, 0, size - start);
  int caret = std::clamp(out.caret, 0, size);
  if (length > 0) {
    out.text.erase(start, length);
    caret = start;
  } else if (key == kBackspace && caret > 0) {
    out.text.erase(--caret, 1);
  }
  if (key != kBackspace) out.text.insert(out.text.begin() + caret++, key);
  out.caret = caret;
  out.selection_start = caret;
  out.selection_length = 0;
  return out;
}

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
