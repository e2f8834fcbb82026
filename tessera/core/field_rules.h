// Rules for the numeric text fields and lists of the configuration dialogs: which keys
// a field takes, what number its text stands for, the range message shown when a
// value is out of range, and the list entries. Plain values in, plain values out, so
// the dialogs only move text between widgets and these functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessera::config {

// Allowed values of one kind of field and the message shown when a value is not.
struct FieldRange {
  std::uint32_t max = 0;
  std::string_view message;
};
inline constexpr FieldRange kFilterRange{255, "Error: Filter value must be 0 to 255"};
inline constexpr FieldRange kDurationRange{65535, "Error: Duration value must be 0 to 65535"};

// A field that keeps a table from being built. `field` is the control array's name
// and `index` the element (the widget's object name is field + "_" + index).
// `message` is the text of the range message box; empty for a list position, which
// no message covers (a list without a selection).
struct FieldError {
  std::string_view field;
  int index = 0;
  std::string_view message;

  bool operator==(const FieldError&) const = default;
};

// A table built from dialog fields, or the first field that stopped it. A table
// with a field out of range is never built, so it can never be sent.
template <typename Table>
struct FieldResult {
  FieldResult(Table built) : table(std::move(built)) {}
  FieldResult(FieldError failed) : error(failed) {}

  std::optional<Table> table;
  std::optional<FieldError> error;

  bool ok() const { return table.has_value(); }
};

// Only the digits 0-9 are typed into a value field; every other key is discarded.
bool IsFieldKey(char key);

// The number its leading digits stand for; empty text, or text that does not start
// with a digit, is 0. Saturates at UINT32_MAX so a pasted run of digits can never
// wrap into the allowed range.
std::uint32_t FieldValue(std::string_view text);

// The message to show when a field holding `text` is left, or nullopt when its value
// is within the range.
std::optional<std::string_view> RangeError(std::string_view text, const FieldRange& range);

// "0" .. "59": the input list of the tracking and complex-output dialogs.
inline constexpr int kInputCount = 60;
std::vector<std::string> InputList();

// A list position names an input: 0 .. 59.
bool IsInputPosition(int position);

}  // namespace tessera::config
