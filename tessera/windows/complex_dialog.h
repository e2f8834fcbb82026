// "Complex Outputs": eight complex outputs, each an output (or "Off",
// "Active"), an input, two durations and eight control flags. "Set Complex" builds
// ComplexData and asks the poll tick to load it; a duration out of range is refused,
// never sent. The dialog never reads the unit's table and starts cleared.
#pragma once

#include <QWidget>
#include <array>

#include "tessera/core/complex_outputs.h"

class QCheckBox;
class QComboBox;

namespace tessera {
class TesseraApp;
}

namespace tessera::config {

class ValueField;

class ComplexDialog : public QWidget {
  Q_OBJECT
 public:
  // Loads cleared; "Close" hides it, the close box unloads it.
  ComplexDialog(TesseraApp& app, QWidget* parent = nullptr);

  std::array<ComplexFields, kComplexOutputs> Fields() const;

 private:
  void ClearAll();
  void SetComplex();

  TesseraApp& app_;
  std::array<QComboBox*, kComplexOutputs> output_lists_{};
  std::array<QComboBox*, kComplexOutputs> input_lists_{};
  std::array<ValueField*, kComplexOutputs> primary_fields_{};
  std::array<ValueField*, kComplexOutputs> secondary_fields_{};
  std::array<QCheckBox*, kComplexOutputs * kComplexFlags> control_boxes_{};
};

}  // namespace tessera::config
