#include "common/qtcore/qt_serial_port.h"

#include <QFileInfo>

#include "common/qtcore/port_names.h"

namespace common {

namespace {

QSerialPort::Parity ToQtParity(char parity) {
  switch (parity) {
    case 'E':
      return QSerialPort::EvenParity;
    case 'O':
      return QSerialPort::OddParity;
    case 'M':
      return QSerialPort::MarkParity;
    case 'S':
      return QSerialPort::SpaceParity;
    default:
      return QSerialPort::NoParity;
  }
}

}  // namespace

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent) {
  port_.setReadBufferSize(kReadBufferBytes);
  connect(&port_, &QSerialPort::readyRead, this, &SerialPort::BytesReceived);
  connect(&port_, &QSerialPort::bytesWritten, this, &QtSerialPort::OnBytesWritten);
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::OnError);
}

QString QtSerialPort::Description() const { return path_; }

bool QtSerialPort::Open() {
  if (port_.isOpen()) Close();
  reopen_wanted_ = false;
  path_ = PortDeviceName(port_number_);
  if (path_.isEmpty()) {
    SetStatus(QStringLiteral("Port not found"),
              QStringLiteral("There is no port number %1.").arg(port_number_));
    return false;
  }
  const QFileInfo info(path_);
  if (!info.exists()) {
    SetStatus(QStringLiteral("Port not found"),
              info.isSymLink()
                  ? QStringLiteral("%1 points to %2, which is not present (adapter unplugged?).")
                        .arg(path_, info.symLinkTarget())
                  : QStringLiteral("No such device: %1").arg(path_));
    return false;
  }
  // The canonical path, so the device lock sees a second opener through another link.
  port_.setPortName(info.canonicalFilePath());
  // Line settings go on before open: a pty refuses parity changes once open.
  port_.setBaudRate(settings_.baud);
  port_.setParity(ToQtParity(settings_.parity));
  port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.data_bits));
  port_.setStopBits(settings_.stop_bits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!port_.open(QIODevice::ReadWrite)) {
    const QString os = port_.errorString();
    switch (port_.error()) {
      case QSerialPort::DeviceNotFoundError:
        SetStatus(QStringLiteral("Port not found"), os);
        break;
      case QSerialPort::PermissionError:
        SetStatus(
            QStringLiteral("Port unavailable"),
            QStringLiteral("%1: %2. The user may need to be in the dialout group.").arg(path_, os));
        break;
      default:
        // Often the device refusing the line settings: say which port and which settings.
        SetStatus(QStringLiteral("Port unavailable"),
                  QStringLiteral("COM%1 (%2) could not be opened at %3: %4")
                      .arg(QString::number(port_number_), path_,
                           QStringLiteral("%1,%2,%3,%4")
                               .arg(settings_.baud)
                               .arg(QChar::fromLatin1(settings_.parity))
                               .arg(settings_.data_bits)
                               .arg(settings_.stop_bits),
                           os));
        break;
    }
    return false;
  }
  pending_tx_ = 0;
  SetStatus({});
  return true;
}

void QtSerialPort::Close() {
  reopen_wanted_ = false;
  pending_tx_ = 0;
  if (port_.isOpen()) port_.close();
}

qint64 QtSerialPort::BytesWaiting() const { return port_.isOpen() ? port_.bytesAvailable() : 0; }

void QtSerialPort::Discard() {
  if (!port_.isOpen()) return;
  // readAll() also lets a port whose read buffer was full take bytes again.
  port_.readAll();
  port_.clear(QSerialPort::Input);
}

QByteArray QtSerialPort::Read(qint64 n) {
  if (!port_.isOpen() || n <= 0) return {};
  return port_.read(n);
}

bool QtSerialPort::Write(const QByteArray& bytes) {
  if (!port_.isOpen() && !(reopen_wanted_ && TryReopen())) return false;
  const qint64 written = port_.write(bytes);
  if (written != bytes.size()) return false;
  pending_tx_ += written;
  return true;
}

void QtSerialPort::ReopenWhenPresent() {
  if (port_.isOpen()) return;
  reopen_wanted_ = true;
  since_reopen_try_.start();
}

bool QtSerialPort::TryReopen() {
  // While the device node is missing each write costs one stat(), and the port
  // opens on the first write after it is back; an open that fails on a present
  // node (busy, no permission) is not tried again for a second.
  if (since_reopen_try_.isValid() && since_reopen_try_.elapsed() < kReopenIntervalMs) return false;
  const QString path = PortDeviceName(port_number_);
  if (path.isEmpty() || !QFileInfo::exists(path)) return false;
  since_reopen_try_.start();
  if (!Open()) {
    reopen_wanted_ = true;  // keep trying on later writes
    return false;
  }
  emit Reopened();
  return true;
}

void QtSerialPort::OnBytesWritten(qint64 count) {
  pending_tx_ -= count;
  if (pending_tx_ <= 0) {
    pending_tx_ = 0;
    emit TransmitDone();
  }
}

void QtSerialPort::OnError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
      // The device went away. QSerialPort would repeat this error in a tight
      // loop while the port stays open: close it once and report.
      if (!port_.isOpen()) return;
      port_.close();
      pending_tx_ = 0;
      reopen_wanted_ = true;
      SetStatus(QStringLiteral("Disconnected"), port_.errorString());
      emit Lost();
      break;
    default:
      // Open errors are reported by Open(); Qt 6 reports no framing or parity errors.
      break;
  }
}

}  // namespace common
