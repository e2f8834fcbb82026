#include "common/qtcore/simulated_port.h"

#include <algorithm>
#include <cmath>

#include "common/qtcore/qt_bytes.h"

namespace common {

SimulatedPort::SimulatedPort(DeviceModel* model, QObject* parent)
    : SerialPort(parent), model_(model) {}

bool SimulatedPort::Open() {
  if (!open_failure_.isEmpty()) {
    SetStatus(open_failure_);
    return false;
  }
  open_ = true;
  ++generation_;
  SetStatus({});
  return true;
}

void SimulatedPort::Close() {
  open_ = false;
  ++generation_;
  rx_.clear();
}

void SimulatedPort::Unplug() {
  if (!open_) return;
  Close();
  SetStatus(QStringLiteral("Disconnected"));
  emit Lost();
}

QString SimulatedPort::Description() const { return QStringLiteral("Simulated"); }

QByteArray SimulatedPort::Read(qint64 n) {
  const QByteArray out = rx_.left(n);
  rx_.remove(0, out.size());
  return out;
}

QList<QByteArray> SimulatedPort::TakeWritten() {
  QList<QByteArray> out;
  out.swap(written_);
  return out;
}

void SimulatedPort::InjectBytes(const QByteArray& bytes) {
  rx_.append(bytes);
  emit BytesReceived();
}

bool SimulatedPort::Write(const QByteArray& bytes) {
  if (!open_) return false;
  written_.append(bytes);
  const double us_per_byte = paced_ ? settings_.MicrosPerByte() : 0.0;
  const int tx_ms = static_cast<int>(std::ceil(bytes.size() * us_per_byte / 1000.0));
  const quint64 generation = generation_;
  if (!suppress_tx_done_) {
    QTimer::singleShot(tx_ms, Qt::PreciseTimer, this, [this, generation] {
      if (generation == generation_) emit TransmitDone();
    });
  }
  if (model_ == nullptr) return true;
  DeviceReply reply = model_->Receive(View(bytes));
  if (!reply.bytes.empty()) {
    const int rx_ms = static_cast<int>(std::ceil(reply.bytes.size() * us_per_byte / 1000.0));
    Deliver(ToQByteArray(reply.bytes), tx_ms + std::max(0, reply.delay_ms) + rx_ms);
  }
  return true;
}

void SimulatedPort::Deliver(const QByteArray& bytes, int delay_ms) {
  const quint64 generation = generation_;
  QTimer::singleShot(delay_ms, Qt::PreciseTimer, this, [this, bytes, generation] {
    if (generation != generation_ || !open_) return;
    rx_.append(bytes);
    emit BytesReceived();
  });
}

}  // namespace common
