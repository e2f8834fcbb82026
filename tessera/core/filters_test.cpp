#include "tessera/core/filters.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::config {
namespace {

using common::testing::B;
using common::testing::H;

TEST(FiltersTest, FilterDataAndFrameFromTheDialog) {
  FilterFields fields = DefaultFilterFields();
  fields.recorded[5] = true;
  fields.edge_texts[10] = "12";
  fields.edge_texts[11] = "250";
  fields.recorded[59] = true;     // opto 4
  fields.edge_texts[118] = "";    // empty counts as 0
  fields.edge_texts[119] = "7x";  // leading digits only
  const FieldResult<FilterTable> table = FilterTableOf(fields);
  ASSERT_TRUE(table.ok());
  const FilterData data = FilterDataOf(*table.table);
  const common::ByteView bytes(data);
  // Entry 5, then 53, the empty 54, 55, then the last.
  EXPECT_EQ(H(bytes.subspan(15, 3)) + " / " + H(bytes.subspan(159, 9)) + " / " + H(bytes.last(3)),
            "85 0C FA / 35 05 05 36 05 05 37 05 05 / BB 00 07");

  EXPECT_EQ(H(GetFiltersRequest()), "7D 0D 00 75");
  // All defaults: the bytes 73 0D 00 3C, then i 05 05 for i = 0..59, sum to 0xFE.
  const common::Bytes frame =
      SendFiltersRequest(FilterDataOf(*FilterTableOf(DefaultFilterFields()).table));
  EXPECT_EQ(std::tuple(frame.size(), H(common::ByteView(frame).first(10)), frame.back()),
            std::tuple(185u, "73 0D 00 3C 00 05 05 01 05 05", 0x01));
}

TEST(FiltersTest, ValueAbove255IsNeverBuilt) {
  for (int field : {7, 119}) {
    FilterFields fields = DefaultFilterFields();
    fields.edge_texts[field] = "300";
    if (field != 119) fields.edge_texts[119] = "4294967296";  // a later one: the first is named
    const FieldResult<FilterTable> result = FilterTableOf(fields);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, (FieldError{"txtEdge", field, "Error: Filter value must be 0 to 255"}));
  }
}

TEST(FiltersTest, DialogFields) {
  EXPECT_EQ(ClearedFilterFields().edge_texts[0], "0");
  FilterTable table;
  table.leading[0] = 255;
  table.leading[58] = 17;
  table.record[58] = true;
  const FilterFields shown = FilterFieldsOf(table);
  EXPECT_EQ(shown.edge_texts[0] + "/" + shown.edge_texts[1] + "/" + shown.edge_texts[116],
            "255/0/17");
  EXPECT_EQ(FilterTableOf(shown).table, table);
}

// A get-filters answer: leading value of entry i is i + 1, falling 200 - i. The
// checksum byte is left 0: the link checks it before this parser runs.
common::Bytes GetFiltersAnswer(std::uint8_t record_first, std::uint8_t record_last) {
  common::Bytes answer = B("7D 0D 00 23 23 14 00 00");
  for (int i = 0; i < 60; ++i) answer.push_back(static_cast<std::uint8_t>(i + 1));
  for (int i = 0; i < 60; ++i) answer.push_back(static_cast<std::uint8_t>(200 - i));
  answer.push_back(record_first);
  answer.insert(answer.end(), 6, 0x00);
  answer.push_back(record_last);
  answer.push_back(0x00);
  return answer;
}

TEST(FiltersTest, ParsesGetFiltersResponse) {
  const std::optional<FilterTable> table = ParseGetFiltersResponse(GetFiltersAnswer(0x21, 0x0F));
  ASSERT_TRUE(table);
  EXPECT_EQ(std::tuple(table->leading[0], table->leading[59], table->falling[59]),
            std::tuple(1, 60, 141));
  std::array<bool, 60> recorded{};  // 0x21 in byte 128, 0x0F in byte 135
  for (int i : {0, 5, 56, 57, 58, 59}) recorded[i] = true;
  EXPECT_EQ(table->record, recorded);
  // The upper four bits of byte 135 belong to no entry.
  const std::optional<FilterTable> upper = ParseGetFiltersResponse(GetFiltersAnswer(0, 0xF0));
  ASSERT_TRUE(upper);
  EXPECT_EQ(upper->record, (std::array<bool, 60>{}));

  common::Bytes no_marker = GetFiltersAnswer(0, 0);
  no_marker[1] = 0x0C;
  common::Bytes long_answer = GetFiltersAnswer(0, 0);
  long_answer.push_back(0);
  for (const common::Bytes& response : {no_marker, long_answer, common::Bytes{}})
    EXPECT_FALSE(ParseGetFiltersResponse(response)) << H(response);
}

}  // namespace
}  // namespace tessera::config
