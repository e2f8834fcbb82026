// The exchanges behind the configuration dialogs: reading and writing the filter
// table and loading the tracking and complex-output tables. The poll tick runs them
// when a dialog has set the request flag; the dialogs only build tables into the
// application state and learn the results through the signals.
#pragma once

#include <QObject>

#include "tessera/core/filters.h"
#include "tessera/core/table_load.h"

namespace tessera {
class Session;
}

namespace tessera::config {

class ConfigRoutines : public QObject {
  Q_OBJECT
 public:
  // Registers the four routines for their request flags with the session.
  explicit ConfigRoutines(Session& session, QObject* parent = nullptr);

  // 7D: the unit's filter table, with the Retry/Cancel box on failure. True when a
  // table came (FiltersRead emitted); false leaves the dialog's fields as they are.
  bool GetFilters();
  // 73 with the state's FilterData; silent. True when the unit answered.
  bool SendFilters();
  // Frame A, then frame B only when frame A was answered with the extended marker.
  LoadOutcome SendTracking();
  LoadOutcome SendComplex();

 signals:
  void FiltersRead(const tessera::config::FilterTable& table);

 private:
  LoadOutcome Load(const TableFrames& frames);

  Session& session_;
};

}  // namespace tessera::config
