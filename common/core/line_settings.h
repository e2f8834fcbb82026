// "19200,E,8,1" style line settings, and how long a byte takes on such a line.
#pragma once

#include <optional>
#include <string_view>

namespace common {

struct LineSettings {
  int baud = 9600;
  char parity = 'N';  // 'N', 'E', 'O', 'M', 'S' (upper case)
  int data_bits = 8;
  int stop_bits = 1;

  // Blanks around the four fields are allowed; the parity letter in either case.
  static std::optional<LineSettings> Parse(std::string_view text);
  // Bits on the wire per byte: start + data + parity + stop.
  int BitsPerByte() const;
  // Microseconds one byte occupies on the line.
  double MicrosPerByte() const;
};

}  // namespace common
