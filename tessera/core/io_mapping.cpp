#include "tessera/core/io_mapping.h"

namespace tessera {

InputLamps InputDataToForm(const InputData& data) {
  InputLamps lamps;
  for (int k = 0; k <= 5; ++k) {
    for (int j = 0; j < 8; ++j) lamps.points[8 * k + j] = (data[k] >> j) & 1;
  }
  // Bit 7 of byte 6 has no point behind it.
  for (int j = 0; j < 7; ++j) lamps.points[48 + j] = (data[6] >> j) & 1;
  for (int j = 0; j < kOptoInputs; ++j) lamps.opto[j] = (data[7] >> j) & 1;
  return lamps;
}

std::string PointCaption(int point) {
  if (point == 54) return "Active";
  if (point == 55) return "Dummy";
  std::string text = "I/O #";
  if (point < 10) text += '0';
  return text + std::to_string(point);
}

std::string OptoCaption(int opto) { return "Opto #" + std::to_string(opto + 1); }

OutputData OutputFormToData(const std::array<bool, kOutputPoints>& checked) {
  OutputData data{};
  for (int k = 0; k <= 6; ++k) {
    for (int j = 0; j < 8; ++j) {
      if (checked[8 * k + j]) data[k] |= static_cast<std::uint8_t>(1u << j);
    }
  }
  return data;
}

}  // namespace tessera
