// The 13 factor boxes of the factors window as data: what "Load Default", the guided
// calibration and the technician's typing put there, and what SetCalibration sends.
// The window shows and edits them; the session reads them whenever it sends.
#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "corvid/core/factor_texts.h"

namespace corvid::calibration {

class FactorBoxes : public QObject {
  Q_OBJECT
 public:
  explicit FactorBoxes(QObject* parent = nullptr) : QObject(parent) {}

  QString Text(int index) const;
  const FactorTexts& Texts() const { return texts_; }
  void SetText(int index, const QString& text);
  // Every box empty, as a window that has just been loaded has them.
  void Clear();
  // Each box shows its factor in upper-case hexadecimal.
  void SetFactors(const FactorSet& factors);
  // "Load Default" for the device type; false (nothing changed) outside 1-6.
  bool LoadDefaults(int device_type);
  // The 13 factors as SetCalibration sends them; nullopt while a box is empty.
  std::optional<FactorSet> Factors() const { return FactorsFromTexts(texts_); }

 signals:
  void Changed(int index, const QString& text);

 private:
  FactorTexts texts_;
};

}  // namespace corvid::calibration
