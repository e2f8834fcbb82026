// SerialPort over QSerialPort. A port whose device vanishes is closed once and
// reopened on the next write after the device is back. What it buffers of the
// received bytes is bounded: a flooding line cannot grow the process.
#pragma once

#include <QElapsedTimer>
#include <QSerialPort>

#include "common/qtcore/serial_port.h"

namespace common {

class QtSerialPort : public SerialPort {
  Q_OBJECT
 public:
  // Most received bytes held for the reader (the longest answer of either device
  // is about 230 KB: a full event log). Beyond it the port stops taking bytes off the
  // line until the reader reads or discards.
  static constexpr qint64 kReadBufferBytes = 512 * 1024;
  // Failed reopen attempts are at least this far apart.
  static constexpr int kReopenIntervalMs = 1000;

  explicit QtSerialPort(QObject* parent = nullptr);

  bool Open() override;
  void Close() override;
  void ReopenWhenPresent() override;
  bool IsOpen() const override { return port_.isOpen(); }
  QString Description() const override;
  qint64 BytesWaiting() const override;
  void Discard() override;
  QByteArray Read(qint64 n) override;
  bool Write(const QByteArray& bytes) override;

 private:
  void OnError(QSerialPort::SerialPortError error);
  void OnBytesWritten(qint64 count);
  bool TryReopen();

  QSerialPort port_;
  QString path_;
  qint64 pending_tx_ = 0;
  bool reopen_wanted_ = false;  // lost, or failed to open and asked to keep trying
  QElapsedTimer since_reopen_try_;
};

}  // namespace common
