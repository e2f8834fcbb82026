#include "corvid/session/factor_boxes.h"

namespace corvid::calibration {

QString FactorBoxes::Text(int index) const {
  if (index < 0 || index >= kFactorCount) return {};
  return QString::fromStdString(texts_[index]);
}

void FactorBoxes::SetText(int index, const QString& text) {
  if (index < 0 || index >= kFactorCount) return;
  std::string utf8 = text.toStdString();
  if (texts_[index] == utf8) return;
  texts_[index] = std::move(utf8);
  emit Changed(index, text);
}

void FactorBoxes::Clear() {
  for (int i = 0; i < kFactorCount; ++i) SetText(i, {});
}

void FactorBoxes::SetFactors(const FactorSet& factors) {
  const FactorTexts texts = TextsOf(factors);
  for (int i = 0; i < kFactorCount; ++i) SetText(i, QString::fromStdString(texts[i]));
}

bool FactorBoxes::LoadDefaults(int device_type) {
  const auto defaults = DefaultFactors(device_type);
  if (!defaults) return false;
  SetFactors(*defaults);
  return true;
}

}  // namespace corvid::calibration
