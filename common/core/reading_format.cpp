#include "common/core/reading_format.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace common {
namespace {

std::string Decimal(long long scaled, int places) {
  if (places <= 0) return std::to_string(scaled);
  long long divisor = 1;
  for (int i = 0; i < places; ++i) divisor *= 10;
  const unsigned long long magnitude =
      scaled < 0 ? 0ull - static_cast<unsigned long long>(scaled) : scaled;
  std::string fraction = std::to_string(magnitude % divisor);
  fraction.insert(0, static_cast<std::size_t>(places) - fraction.size(), '0');
  return (scaled < 0 ? "-" : "") + std::to_string(magnitude / divisor) + "." + fraction;
}

const std::string& Shown(const ReadingField& field) {
  return field.shown.empty() ? field.value : field.shown;
}

std::string HeaderCell(const ReadingField& field) {
  return field.unit.empty() ? field.caption : field.caption + " " + field.unit;
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

}  // namespace

std::optional<ReadingFormat> ParseReadingFormat(std::string_view name) {
  if (name == "text") return ReadingFormat::kText;
  if (name == "csv") return ReadingFormat::kCsv;
  if (name == "json") return ReadingFormat::kJson;
  return std::nullopt;
}

Reading& Reading::Number(std::string key, std::string caption, std::string unit, long long scaled,
                         int places, std::string shown) {
  fields_.push_back({std::move(key), std::move(caption), std::move(unit),
                     ReadingField::Kind::kNumber, Decimal(scaled, places), std::move(shown)});
  return *this;
}

Reading& Reading::Flag(std::string key, std::string caption, bool on) {
  fields_.push_back({std::move(key),
                     std::move(caption),
                     {},
                     ReadingField::Kind::kFlag,
                     on ? "1" : "0",
                     on ? "yes" : "no"});
  return *this;
}

Reading& Reading::Text(std::string key, std::string caption, std::string text) {
  fields_.push_back(
      {std::move(key), std::move(caption), {}, ReadingField::Kind::kText, std::move(text), {}});
  return *this;
}

std::string TextBlock(const Reading& reading) {
  std::size_t caption_width = 0, value_width = 0;
  for (const ReadingField& f : reading.Fields()) {
    caption_width = std::max(caption_width, f.caption.size());
    // Numbers line up on the right; texts are left as they are.
    if (f.kind != ReadingField::Kind::kText) value_width = std::max(value_width, Shown(f).size());
  }
  std::string text;
  for (const ReadingField& f : reading.Fields()) {
    std::string line = f.caption + std::string(caption_width - f.caption.size() + 2, ' ');
    line += f.kind == ReadingField::Kind::kText ? Shown(f) : PadLeft(Shown(f), value_width);
    if (!f.unit.empty()) line += " " + f.unit;
    text += line + "\n";
  }
  return text;
}

std::string TextHeader(const Reading& reading) {
  std::string line;
  for (const ReadingField& f : reading.Fields()) {
    if (!line.empty()) line += "  ";
    line += PadLeft(HeaderCell(f), Shown(f).size());
  }
  return line + "\n";
}

std::string TextRow(const Reading& reading) {
  std::string line;
  for (const ReadingField& f : reading.Fields()) {
    if (!line.empty()) line += "  ";
    line += PadLeft(Shown(f), HeaderCell(f).size());
  }
  return line + "\n";
}

std::string CsvCell(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string cell = "\"";
  for (char c : text) {
    if (c == '"') cell += '"';
    cell += c;
  }
  return cell + "\"";
}

std::string CsvHeader(const Reading& reading) {
  std::string line;
  for (const ReadingField& f : reading.Fields()) {
    if (!line.empty()) line += ",";
    line += CsvCell(f.key);
  }
  return line + "\n";
}

std::string CsvRow(const Reading& reading) {
  std::string line;
  bool first = true;
  for (const ReadingField& f : reading.Fields()) {
    if (!first) line += ",";
    first = false;
    line += CsvCell(f.value);
  }
  return line + "\n";
}

std::string JsonString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string JsonObject(const Reading& reading) {
  std::string object = "{";
  for (const ReadingField& f : reading.Fields()) {
    if (object.size() > 1) object += ",";
    object += JsonString(f.key) + ":";
    switch (f.kind) {
      case ReadingField::Kind::kNumber:
        object += f.value;
        break;
      case ReadingField::Kind::kFlag:
        object += f.value == "1" ? "true" : "false";
        break;
      case ReadingField::Kind::kText:
        object += JsonString(f.value);
        break;
    }
  }
  return object + "}\n";
}

std::string IsoLocalTime(std::int64_t ms_since_epoch) {
  // Whole seconds rounded down, so a time before 1970 keeps positive milliseconds.
  const std::int64_t seconds =
      ms_since_epoch >= 0 ? ms_since_epoch / 1000 : (ms_since_epoch - 999) / 1000;
  const auto millis = static_cast<int>(ms_since_epoch - seconds * 1000);
  const auto t = static_cast<std::time_t>(seconds);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  char date[32], offset[8];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  std::strftime(offset, sizeof offset, "%z", &local);  // "+0100": ISO 8601 wants "+01:00"
  char text[48];
  std::snprintf(text, sizeof text, "%s.%03d%.3s:%.2s", date, millis, offset, offset + 3);
  return text;
}

std::string IsoLocalTime(std::chrono::system_clock::time_point time) {
  return IsoLocalTime(
      std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count());
}

std::string FormatReading(ReadingFormat format, const Reading& reading, bool first) {
  switch (format) {
    case ReadingFormat::kText:
      return (first ? TextHeader(reading) : std::string()) + TextRow(reading);
    case ReadingFormat::kCsv:
      return (first ? CsvHeader(reading) : std::string()) + CsvRow(reading);
    case ReadingFormat::kJson:
      return JsonObject(reading);
  }
  return {};
}

std::string FormatSingleReading(ReadingFormat format, const Reading& reading) {
  return format == ReadingFormat::kText ? TextBlock(reading) : FormatReading(format, reading, true);
}

}  // namespace common
