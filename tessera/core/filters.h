// The unit's input filter table: 60 entries (inputs 0-53, two empty entries 54 and
// 55, the four optos as 56-59), each with a leading- and a falling-edge filter value
// and a record flag. Builds FilterData and the GetFilters/SendFilters frames, reads
// the GetFilters response, and converts between the table and the dialog's fields.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/core/bytes.h"
#include "tessera/core/field_rules.h"
#include "tessera/core/frame.h"

namespace tessera::config {

inline constexpr int kFilterEntries = 60;
inline constexpr std::uint8_t kDefaultFilterValue = 5;

struct FilterTable {
  std::array<std::uint8_t, kFilterEntries> leading{};
  std::array<std::uint8_t, kFilterEntries> falling{};
  std::array<bool, kFilterEntries> record{};

  bool operator==(const FilterTable&) const = default;
};

// Three bytes per entry i: i (+ 0x80 when recorded), leading value, falling value.
using FilterData = std::array<std::uint8_t, 3 * kFilterEntries>;

// What the filter dialog holds: edge_texts[2i] the leading and edge_texts[2i+1] the
// falling value of entry i as text, recorded[i] its record box.
struct FilterFields {
  std::array<std::string, 2 * kFilterEntries> edge_texts;
  std::array<bool, kFilterEntries> recorded{};

  bool operator==(const FilterFields&) const = default;
};

// "Set Default" and a freshly loaded dialog: every value "5", nothing recorded.
FilterFields DefaultFilterFields();
// "Clear All": every value "0", nothing recorded.
FilterFields ClearedFilterFields();
// The fields showing a table read from the unit.
FilterFields FilterFieldsOf(const FilterTable& table);
// The table the fields stand for, or the first value above 255.
FieldResult<FilterTable> FilterTableOf(const FilterFields& fields);

FilterData FilterDataOf(const FilterTable& table);

// 7D 0D 00 75; answered with 137 bytes, shown errors (Retry/Cancel).
common::Bytes GetFiltersRequest();
inline constexpr ResponseShape kGetFiltersResponse = ResponseShape::Fixed(137);
// The table of a GetFilters response: values at 8.. and 68.., record bits at 128...
// Nullopt (the dialog keeps its fields) for a response that is not 137 bytes or
// lacks the extended marker.
std::optional<FilterTable> ParseGetFiltersResponse(common::ByteView response);

// 73 0D 00 3C, FilterData, checksum: 185 bytes; answered with 9 bytes, silent.
common::Bytes SendFiltersRequest(const FilterData& data);
inline constexpr ResponseShape kSendFiltersResponse = ResponseShape::Fixed(9);

}  // namespace tessera::config
