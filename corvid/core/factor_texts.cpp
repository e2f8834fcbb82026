#include "corvid/core/factor_texts.h"

#include <cstdio>

#include "common/core/hex_text.h"

namespace corvid::calibration {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::uint16_t> FactorFromText(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  if (text.empty() || text.size() > 4) return std::nullopt;
  std::uint16_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = static_cast<std::uint16_t>(value << 4 | digit);
  }
  return value;
}

std::string FactorName(int index) {
  static constexpr const char* kOutputs[] = {"Ch 1 Red", "Ch 1 Yellow", "Ch 1 Green",
                                             "Ch 2 Red", "Ch 2 Yellow", "Ch 2 Green"};
  if (index == kSignalPowerIndex) return "Signal Power";
  if (index < 0 || index >= kFactorCount) return {};
  return index < kSignalPowerIndex ? std::string(kOutputs[index]) + " Voltage"
                                   : std::string(kOutputs[index - kFirstCurrentIndex]) + " Current";
}

Message NullFactorMessage() { return {"Calibrate", "Null Calibration Factor"}; }

Message BadFactorMessage(int index, std::string_view text) {
  return {"Calibrate", "The " + FactorName(index) + " factor \"" + std::string(text) +
                           "\" is not a calibration factor. Enter 1 to 4 hexadecimal digits "
                           "(0-9, A-F), for example 4F70. Nothing was sent."};
}

std::optional<int> FirstRefusedBox(const FactorTexts& texts) {
  for (int i = 0; i < kFactorCount; ++i)
    if (texts[i].empty()) return i;
  for (int i = 0; i < kFactorCount; ++i)
    if (!FactorFromText(texts[i])) return i;
  return std::nullopt;
}

std::optional<FactorSet> FactorsFromTexts(const FactorTexts& texts) {
  FactorSet factors{};
  for (int i = 0; i < kFactorCount; ++i) {
    const auto factor = FactorFromText(texts[i]);
    if (!factor) return std::nullopt;
    factors[i] = *factor;
  }
  return factors;
}

FactorTexts TextsOf(const FactorSet& factors) {
  FactorTexts texts;
  for (int i = 0; i < kFactorCount; ++i) texts[i] = common::HexNumber(factors[i]);
  return texts;
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
  return TextsOf(*factors);
}

}  // namespace corvid::calibration
