// A serial port whose far end follows a script read from the fuzzer's input: for
// each write, answer bytes in pieces (some at once, some from the event loop),
// receive errors, a pulled adapter, or silence. The link under test cannot tell it
// from a port.
#pragma once

#include <QCoreApplication>
#include <QTimer>

#include "common/qtcore/qt_bytes.h"
#include "common/qtcore/serial_port.h"
#include "fuzz/fuzz_input.h"

namespace fuzz {

// One QCoreApplication for the whole run of a fuzz target.
inline void EnsureApp() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

class ScriptedPort : public common::SerialPort {
 public:
  // What the far end may send back: the answer the test built, mangled as scripted.
  explicit ScriptedPort(FuzzInput& in) : in_(in) {}

  common::Bytes answer;  // the well-formed answer to the next write, if any
  int writes = 0;
  int lost = 0;
  // What the last write's far end delivered before Write() returned, in order.
  common::Bytes delivered_at_once;

  bool Open() override { return open_ = true; }
  void Close() override { open_ = false, rx_.clear(); }
  bool IsOpen() const override { return open_; }
  QString Description() const override { return QStringLiteral("scripted"); }
  qint64 BytesWaiting() const override { return rx_.size(); }
  void Discard() override { rx_.clear(); }
  QByteArray Read(qint64 n) override {
    const QByteArray out = rx_.left(n);
    rx_.remove(0, out.size());
    return out;
  }

  bool Write(const QByteArray&) override {
    if (!open_) {
      // A pulled adapter may come back on a later write.
      if (in_.Below(4) != 0) return false;
      open_ = true;
    }
    ++writes;
    delivered_at_once.clear();
    emit TransmitDone();
    const int events = in_.Below(5);
    for (int e = 0; e < events; ++e) {
      const bool later = in_.Bit();
      const int kind = in_.Below(8);
      common::Bytes bytes;
      if (kind <= 3) {
        // A piece of the proper answer: all of it, a prefix, or it with a byte changed.
        bytes = answer;
        if (kind == 1 && !bytes.empty()) bytes.resize(in_.Below(static_cast<int>(bytes.size())));
        if (kind == 2 && !bytes.empty())
          bytes[in_.Below(static_cast<int>(bytes.size()))] ^= in_.Byte();
      } else if (kind <= 5) {
        bytes = in_.Take(64);  // noise
      }
      const int error = kind == 6 ? 1000 + in_.Below(12) : 0;  // a few codes are not errors
      const bool pull = kind == 7;
      auto deliver = [this, bytes, error, pull, later] {
        if (!open_) return;
        if (!later) delivered_at_once.insert(delivered_at_once.end(), bytes.begin(), bytes.end());
        if (!bytes.empty()) {
          rx_.append(common::ToQByteArray(bytes));
          emit BytesReceived();
        }
        if (error != 0) emit ReceiveError(error);
        if (pull) {
          Close();
          ++lost;
          emit Lost();
        }
      };
      if (later) {
        QTimer::singleShot(in_.Below(2), this, deliver);
      } else {
        deliver();
      }
    }
    return true;
  }

 private:
  FuzzInput& in_;
  bool open_ = true;
  QByteArray rx_;
};

}  // namespace fuzz
