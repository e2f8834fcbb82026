// The serial line as both programs need it: line settings, open by port number,
// raw reads and writes, and notifications for received bytes, transmit done and
// receive errors. Implemented over QSerialPort and by an in-process simulator.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "common/core/line_settings.h"

namespace common {

// Receive error codes reported through SerialPort::ReceiveError.
inline constexpr int kFramingError = 1004;
inline constexpr int kOverrunError = 1006;
inline constexpr int kBufferOverflowError = 1008;
inline constexpr int kParityError = 1009;

class SerialPort : public QObject {
  Q_OBJECT
 public:
  explicit SerialPort(QObject* parent = nullptr) : QObject(parent) {}
  ~SerialPort() override = default;

  // Applies to the next Open(). False when the text cannot be parsed.
  bool SetSettings(const QString& text);
  const LineSettings& Settings() const { return settings_; }
  void SetPortNumber(int number) { port_number_ = number; }
  int PortNumber() const { return port_number_; }

  // Opens the selected port. On failure StatusText() says why ("Port unavailable",
  // "Port not found", "Disconnected") and ErrorDetail() carries the OS's words.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // After a failed Open(): keep trying on later writes, as for a port that vanished,
  // until it opens or Close() is called. Ports that cannot come back ignore it.
  virtual void ReopenWhenPresent() {}
  virtual bool IsOpen() const = 0;
  QString StatusText() const { return status_text_; }
  QString ErrorDetail() const { return error_detail_; }
  // Short human description of what is connected ("/dev/ttyUSB0", "simulated unit").
  virtual QString Description() const = 0;
  virtual bool IsSimulated() const { return false; }

  // Bytes received and not yet read; reading the count consumes nothing.
  virtual qint64 BytesWaiting() const = 0;
  // Drops every received byte not yet read.
  virtual void Discard() = 0;
  // Reads up to n bytes (fewer only if fewer are waiting).
  virtual QByteArray Read(qint64 n) = 0;
  // Writes the bytes unchanged as one block; false if the port is not open.
  virtual bool Write(const QByteArray& bytes) = 0;

 signals:
  // New bytes are waiting (one signal may cover several bytes).
  void BytesReceived();
  // Everything written so far has left the port.
  void TransmitDone();
  // A receive error with one of the k*Error codes above.
  void ReceiveError(int code);
  // The device behind the port went away (adapter pulled); the port is closed.
  void Lost();
  // A port that was lost or had failed to open is open again.
  void Reopened();

 protected:
  void SetStatus(const QString& text, const QString& detail = {}) {
    status_text_ = text;
    error_detail_ = detail;
  }

  LineSettings settings_;
  int port_number_ = 1;

 private:
  QString status_text_;
  QString error_detail_;
};

}  // namespace common
