// Test-only: a loaded main window over a scripted switch pack, shown so clicks land.
#pragma once

#include "corvid/testing/test_harness.h"
#include "corvid/windows/main_window.h"

namespace corvid::monitor::testing {

using namespace corvid::testing;  // the scripted device and its payloads

// Shown, loaded, the poll timer stopped: tests drive the ticks themselves.
struct Harness : corvid::testing::AppRig {
  Harness() {
    window.show();
    window.Load();
    session.Loop().Timer()->stop();
    Port().TakeWritten();
  }
  template <typename T = QWidget>
  T* Find(const QString& name) {
    return window.findChild<T*>(name);
  }
  void Tick() { session.PollTick(); }

  MainWindow window{app};
};

}  // namespace corvid::monitor::testing
