// SerialPort over an in-process DeviceModel: each write goes to the model and its
// reply is delivered through the event loop, optionally paced at the line rate.
#pragma once

#include <QTimer>
#include <memory>

#include "common/core/device_model.h"
#include "common/qtcore/serial_port.h"

namespace common {

class SimulatedPort : public SerialPort {
  Q_OBJECT
 public:
  explicit SimulatedPort(DeviceModel* model, QObject* parent = nullptr);

  // Deliver replies at the line rate of Settings() (default: at once).
  void SetPaced(bool paced) { paced_ = paced; }
  // Do not emit TransmitDone (the link must fall back to its own timer).
  void SetSuppressTransmitDone(bool suppress) { suppress_tx_done_ = suppress; }
  // Makes Open() fail with the given status text.
  void SetOpenFailure(const QString& status) { open_failure_ = status; }
  // Simulates an unplugged adapter: closes the port and emits Lost().
  void Unplug();
  // Injects a receive error notification.
  void InjectError(int code) { emit ReceiveError(code); }
  // Injects bytes as if the device had sent them.
  void InjectBytes(const QByteArray& bytes);

  // Every block written since the last call, in order.
  QList<QByteArray> TakeWritten();

  bool Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  QString Description() const override;
  bool IsSimulated() const override { return true; }
  qint64 BytesWaiting() const override { return rx_.size(); }
  void Discard() override { rx_.clear(); }
  QByteArray Read(qint64 n) override;
  bool Write(const QByteArray& bytes) override;

 private:
  void Deliver(const QByteArray& bytes, int delay_ms);

  DeviceModel* model_;
  bool open_ = false;
  bool paced_ = false;
  bool suppress_tx_done_ = false;
  QString open_failure_;
  QByteArray rx_;
  QList<QByteArray> written_;
  quint64 generation_ = 0;  // replies of a closed session are dropped
};

}  // namespace common
