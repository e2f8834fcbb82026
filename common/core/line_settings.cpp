#include "common/core/line_settings.h"

#include <array>
#include <cctype>
#include <charconv>

namespace common {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<int> Whole(std::string_view text) {
  text = Trim(text);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<LineSettings> LineSettings::Parse(std::string_view text) {
  std::array<std::string_view, 4> fields;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::size_t comma = text.find(',');
    if ((comma == std::string_view::npos) != (i == fields.size() - 1)) return std::nullopt;
    fields[i] = text.substr(0, comma);
    if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
  }
  LineSettings s;
  const auto baud = Whole(fields[0]);
  if (!baud || *baud <= 0) return std::nullopt;
  s.baud = *baud;
  const std::string_view parity = Trim(fields[1]);
  if (parity.size() != 1) return std::nullopt;
  s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parity[0])));
  if (std::string_view("NEOMS").find(s.parity) == std::string_view::npos) return std::nullopt;
  const auto data_bits = Whole(fields[2]);
  if (!data_bits || *data_bits < 5 || *data_bits > 8) return std::nullopt;
  s.data_bits = *data_bits;
  const auto stop_bits = Whole(fields[3]);
  if (!stop_bits || (*stop_bits != 1 && *stop_bits != 2)) return std::nullopt;
  s.stop_bits = *stop_bits;
  return s;
}

int LineSettings::BitsPerByte() const {
  return 1 + data_bits + (parity == 'N' ? 0 : 1) + stop_bits;
}

double LineSettings::MicrosPerByte() const { return 1e6 * BitsPerByte() / baud; }

}  // namespace common
