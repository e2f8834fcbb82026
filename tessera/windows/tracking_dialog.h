// "Input Tracking": eight tracks, each an output (or "Off", "Active"),
// an input and an invert box. "Set Tracking" builds TrackData and asks the poll tick
// to load it; the dialog never reads the unit's table and starts cleared.
#pragma once

#include <QWidget>
#include <array>

#include "tessera/core/tracking.h"

class QCheckBox;
class QComboBox;

namespace tessera {
class TesseraApp;
}

namespace tessera::config {

class TrackingDialog : public QWidget {
  Q_OBJECT
 public:
  // Loads cleared; "Close" hides it, the close box unloads it.
  TrackingDialog(TesseraApp& app, QWidget* parent = nullptr);

  std::array<TrackFields, kTracks> Fields() const;

 private:
  void ClearAll();
  void SetTracking();

  TesseraApp& app_;
  std::array<QComboBox*, kTracks> output_lists_{};
  std::array<QComboBox*, kTracks> input_lists_{};
  std::array<QCheckBox*, kTracks> invert_boxes_{};
};

}  // namespace tessera::config
