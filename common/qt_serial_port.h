// SerialPort over QSerialPort. A port whose device vanishes is closed once and
// reopened on the next write after the device is back.
#pragma once

#include <QElapsedTimer>
#include <QSerialPort>

#include "common/serial_port.h"

namespace common {

class QtSerialPort : public SerialPort {
  Q_OBJECT
 public:
  explicit QtSerialPort(QObject* parent = nullptr);

  bool Open() override;
  void Close() override;
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
  bool lost_ = false;
  QElapsedTimer since_reopen_try_;
};

}  // namespace common
