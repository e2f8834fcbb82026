#include "corvid/calibration/factor_texts.h"

#include <cstdio>

namespace corvid::calibration {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string HexText(std::uint16_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(value));
  return buffer;
}

std::uint16_t FactorFromText(std::string_view text) {
  // Digits beyond the fourth push the high ones out: any length reduces to its low
  // 16 bits without overflow.
  std::uint16_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) break;
    value = static_cast<std::uint16_t>(value << 4 | digit);
  }
  return value;
}

Message NullFactorMessage() { return {"Calibrate", "Null Calibration Factor"}; }

std::optional<FactorSet> FactorsFromTexts(const FactorTexts& texts) {
  FactorSet factors{};
  for (int i = 0; i < kFactorCount; ++i) {
    if (texts[i].empty()) return std::nullopt;
    factors[i] = FactorFromText(texts[i]);
  }
  return factors;
}

std::optional<FactorSet> DefaultFactors(int device_type) {
  const auto base = VoltageFactorBaseFor(device_type);
  if (!base) return std::nullopt;
  FactorSet factors{};
  for (int i = 0; i < kFactorCount; ++i)
    factors[i] = i < kFirstCurrentIndex ? *base : kCurrentFactorBase;
  return factors;
}

std::optional<FactorTexts> DefaultFactorTexts(int device_type) {
  const auto factors = DefaultFactors(device_type);
  if (!factors) return std::nullopt;
  FactorTexts texts;
  for (int i = 0; i < kFactorCount; ++i) texts[i] = HexText((*factors)[i]);
  return texts;
}

}  // namespace corvid::calibration
