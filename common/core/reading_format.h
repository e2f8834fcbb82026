// A device reading as named fields, written three ways: for people (aligned, with
// units), as CSV (a header line of names with units, then a row a reading) and as
// JSON (one object a reading, on one line). Both terminal tools format here, so a
// script reads every reading of either tool the same way.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

enum class ReadingFormat { kText, kCsv, kJson };
// "text", "csv" or "json".
std::optional<ReadingFormat> ParseReadingFormat(std::string_view name);

struct ReadingField {
  enum class Kind { kNumber, kFlag, kText };
  std::string key;      // the CSV column and JSON name, with its unit: "mains_vrms"
  std::string caption;  // for people: "Mains"
  std::string unit;     // for people: "Vrms"; empty when none
  Kind kind = Kind::kText;
  // A number as decimal text ("120.3"), a flag as "1" or "0", or the text itself.
  std::string value;
  // What people read instead of `value` when it differs ("255>", "yes").
  std::string shown;
};

class Reading {
 public:
  // The value `scaled` / 10^`places`: (1203, 1) is 120.3.
  Reading& Number(std::string key, std::string caption, std::string unit, long long scaled,
                  int places = 0, std::string shown = {});
  Reading& Flag(std::string key, std::string caption, bool on);
  Reading& Text(std::string key, std::string caption, std::string text);
  const std::vector<ReadingField>& Fields() const { return fields_; }

 private:
  std::vector<ReadingField> fields_;
};

// One "Caption  value unit" line a field, captions padded to one column.
std::string TextBlock(const Reading& reading);
// A table for readings that follow each other: the header (captions and units), then
// one row a reading, each cell as wide as its header (or its value).
std::string TextHeader(const Reading& reading);
std::string TextRow(const Reading& reading);

std::string CsvHeader(const Reading& reading);
std::string CsvRow(const Reading& reading);
// A CSV cell, quoted when it holds a comma, a quote or a line break.
std::string CsvCell(std::string_view text);

std::string JsonObject(const Reading& reading);
// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// Local time in ISO 8601 with milliseconds and the offset: "2026-12-07T19:02:03.456+01:00".
std::string IsoLocalTime(std::int64_t ms_since_epoch);
std::string IsoLocalTime(std::chrono::system_clock::time_point time);
inline std::string IsoLocalTimeNow() { return IsoLocalTime(std::chrono::system_clock::now()); }

// The header (when `first` and the format has one) and the reading, each line ended.
std::string FormatReading(ReadingFormat format, const Reading& reading, bool first);
// A single reading on its own: text as a block, CSV with its header, JSON one object.
std::string FormatSingleReading(ReadingFormat format, const Reading& reading);

}  // namespace common
