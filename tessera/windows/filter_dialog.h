// "Input Filtering": the 60 filter entries of the unit (two filter
// values and a record flag each) in a scrolling container. "Get Values" and "Set
// Filters" only ask the poll tick for the exchange; the other buttons change the
// fields alone.
#pragma once

#include <QWidget>
#include <array>

#include "tessera/core/filters.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QScrollArea;

namespace tessera {
class TesseraApp;
}

namespace tessera::config {

class ValueField;

class FilterDialog : public QWidget {
  Q_OBJECT
 public:
  // Loads with every value "5" and nothing recorded; "Close" hides it, the close box
  // unloads it.
  FilterDialog(TesseraApp& app, QWidget* parent = nullptr);

  FilterFields Fields() const;
  void ShowFields(const FilterFields& fields);

 private:
  QWidget* BuildEntries();
  void SetFilters();

  TesseraApp& app_;
  std::array<QGroupBox*, kFilterEntries> filter_frame_{};
  std::array<ValueField*, 2 * kFilterEntries> edge_fields_{};
  std::array<QCheckBox*, kFilterEntries> record_boxes_{};
  QScrollArea* view_port_ = nullptr;
};

}  // namespace tessera::config
