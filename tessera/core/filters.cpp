#include "tessera/core/filters.h"

namespace tessera::config {
namespace {

constexpr std::size_t kGetFiltersLength = 137;
constexpr std::size_t kLeadingOffset = 8;
constexpr std::size_t kFallingOffset = kLeadingOffset + kFilterEntries;
constexpr std::size_t kRecordOffset = kFallingOffset + kFilterEntries;
constexpr std::uint8_t kRecordBit = 0x80;

FilterFields FieldsWithValue(const char* value) {
  FilterFields fields;
  fields.edge_texts.fill(value);
  return fields;
}

}  // namespace

FilterFields DefaultFilterFields() { return FieldsWithValue("5"); }

FilterFields ClearedFilterFields() { return FieldsWithValue("0"); }

FilterFields FilterFieldsOf(const FilterTable& table) {
  FilterFields fields;
  for (int i = 0; i < kFilterEntries; ++i) {
    fields.edge_texts[2 * i] = std::to_string(table.leading[i]);
    fields.edge_texts[2 * i + 1] = std::to_string(table.falling[i]);
  }
  fields.recorded = table.record;
  return fields;
}

FieldResult<FilterTable> FilterTableOf(const FilterFields& fields) {
  FilterTable table;
  for (int k = 0; k < 2 * kFilterEntries; ++k) {
    if (RangeError(fields.edge_texts[k], kFilterRange)) {
      return FieldError{"txtEdge", k, kFilterRange.message};
    }
    const auto value = static_cast<std::uint8_t>(FieldValue(fields.edge_texts[k]));
    (k % 2 == 0 ? table.leading : table.falling)[k / 2] = value;
  }
  table.record = fields.recorded;
  return table;
}

FilterData FilterDataOf(const FilterTable& table) {
  FilterData data{};
  for (int i = 0; i < kFilterEntries; ++i) {
    data[3 * i] = static_cast<std::uint8_t>(i | (table.record[i] ? kRecordBit : 0));
    data[3 * i + 1] = table.leading[i];
    data[3 * i + 2] = table.falling[i];
  }
  return data;
}

common::Bytes GetFiltersRequest() { return BuildExtendedFrame(kCmdGetFilters); }

std::optional<FilterTable> ParseGetFiltersResponse(common::ByteView response) {
  if (response.size() != kGetFiltersLength || !HasExtendedMarker(response)) return std::nullopt;
  FilterTable table;
  for (int i = 0; i < kFilterEntries; ++i) {
    table.leading[i] = response[kLeadingOffset + i];
    table.falling[i] = response[kFallingOffset + i];
    table.record[i] = (response[kRecordOffset + i / 8] >> (i % 8)) & 1;
  }
  return table;
}

common::Bytes SendFiltersRequest(const FilterData& data) {
  common::Bytes payload;
  payload.reserve(data.size() + 1);
  payload.push_back(kFilterEntries);
  payload.insert(payload.end(), data.begin(), data.end());
  return BuildExtendedFrame(kCmdSendFilters, payload);
}

}  // namespace tessera::config
