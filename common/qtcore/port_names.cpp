#include "common/qtcore/port_names.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace common {

QString PortDirectory() {
  const QByteArray env = qgetenv("CABINET_COM_DIR");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  // ~/.config honours XDG_CONFIG_HOME the same way QSettings does.
  QByteArray config = qgetenv("XDG_CONFIG_HOME");
  const QString base =
      config.isEmpty() ? QDir::homePath() + "/.config" : QString::fromLocal8Bit(config);
  return base + "/cabinet-tools/com";
}

QString PortDeviceName(int number) {
  if (number < 1) return {};
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(number);
#else
  const QString link = PortDirectory() + QStringLiteral("/COM%1").arg(number);
  const QFileInfo info(link);
  if (info.exists() || info.isSymLink()) return link;
  return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

}  // namespace common
