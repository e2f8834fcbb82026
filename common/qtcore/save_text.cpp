#include "common/qtcore/save_text.h"

#include <QSaveFile>

namespace common {

std::optional<QString> WriteWholeFile(const QString& path, std::string_view content) {
  QSaveFile file(path);
  // In a folder the user may not write to, a file the user may write is still
  // replaced, in place: a plain overwrite would succeed there too.
  file.setDirectWriteFallback(true);
  // Unbuffered: a short write shows up at the write, with the system's reason,
  // instead of in a flush that the commit does not check.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
  const auto size = static_cast<qint64>(content.size());
  for (qint64 done = 0; done < size;) {
    const qint64 written = file.write(content.data() + done, size - done);
    if (written <= 0) {
      const QString error = file.errorString();
      file.cancelWriting();  // whatever was there stays as it was
      return error;
    }
    done += written;
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

}  // namespace common
