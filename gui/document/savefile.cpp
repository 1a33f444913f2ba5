#include "gui/document/savefile.h"

#include <QBuffer>
#include <QSaveFile>

bool WriteAtomically(const QString& fileName, const QByteArray& bytes, QString* message) {
  QSaveFile file(fileName);
  const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
  // Without a commit the temporary file is removed and the target stays as it was.
  if (!written || !file.commit()) {
    if (message)
      *message = QString("Cannot save \"%1\": %2").arg(fileName, file.errorString());
    return false;
  }
  return true;
}

bool SavePng(const QImage& image, const QString& fileName, QString* message) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG")) {
    if (message)
      *message = QString("Cannot save \"%1\": the picture could not be made.").arg(fileName);
    return false;
  }
  return WriteAtomically(fileName, bytes, message);
}
