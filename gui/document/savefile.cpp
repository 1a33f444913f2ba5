#include "gui/document/savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QBuffer>
#include <QRegularExpression>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "gui/document/nativefile.h"

namespace {

// The whole of `bytes`, however the system splits the writing; the error number, or 0.
int WriteAll(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  qint64 left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, static_cast<std::size_t>(left));
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    // A write that takes nothing will take nothing next time either.
    if (written == 0)
      return EIO;
    data += written;
    left -= written;
  }
  return 0;
}

bool Fail(QString* reason, const QString& why) {
  if (reason)
    *reason = why;
  return false;
}

// A device or a named pipe, written where it is. A pipe nobody reads is refused at once
// rather than waited on.
bool WriteInPlace(const QByteArray& path, const QByteArray& bytes, QString* reason) {
  const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return Fail(reason, nativefile::Reason(errno));
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  const int error = WriteAll(fd, bytes);
  ::close(fd);
  return error == 0 || Fail(reason, nativefile::Reason(error));
}

// The folder and the name of the file a path leads to, links followed.
void Split(const QByteArray& path, QByteArray& folder, QByteArray& name) {
  const int slash = path.lastIndexOf('/');
  folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
  name = path.mid(slash + 1);
}

// An ordinary file: a temporary file beside it, complete and on the disk before it takes
// the target's place.
bool Replace(QByteArray target, const struct stat* existing, const QByteArray& bytes,
             QString* reason) {
  if (existing) {
    char resolved[PATH_MAX];
    if (::realpath(target.constData(), resolved) != nullptr)
      target = resolved;
  }
  QByteArray folder;
  QByteArray name;
  Split(target, folder, name);
  // Hidden, and short enough to stay within the length a name may have.
  const QByteArray stem = folder + "/." + name.left(100) + "." + QByteArray::number(getpid());
  QByteArray temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = stem + "." + QByteArray::number(attempt) + ".tmp";
    // Created with the permissions a new file gets (the umask applies).
    fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST)
      break;
  }
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM)
      return Fail(reason, "you do not have permission to write in its folder");
    return Fail(reason, nativefile::Reason(errno));
  }
  if (existing)
    fchmod(fd, existing->st_mode & 07777);

  int error = WriteAll(fd, bytes);
  // The data must be on the disk before the old file goes: a disk that fills up or fails
  // while the system writes its buffers out says so here. Some file systems cannot sync at
  // all, which loses nothing.
  if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
    error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR)
    error = errno;
  if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
    error = errno;
  if (error != 0) {
    ::unlink(temporary.constData());
    return Fail(reason, nativefile::Reason(error));
  }
  return true;
}

}  // namespace

int OpenOutputOf(const QString& fileName) {
  if (fileName == "-" || fileName == "/dev/stdout")
    return 1;
  if (fileName == "/dev/stderr")
    return 2;
  static const QRegularExpression descriptor("^/(?:dev|proc/self)/fd/([0-9]{1,9})$");
  const QRegularExpressionMatch match = descriptor.match(fileName);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

bool WriteFileBytes(const QString& fileName, const QByteArray& bytes, QString* reason) {
  // Opening /dev/stdout again would start at the beginning of the file the shell appends
  // to (or truncate it); the output already open goes on where it is.
  const int output = OpenOutputOf(fileName);
  if (output >= 0) {
    if (fcntl(output, F_GETFD) < 0)
      return Fail(reason, "the program has no such output open");
    const int error = WriteAll(output, bytes);
    return error == 0 || Fail(reason, nativefile::Reason(error));
  }

  const QByteArray path = nativefile::EncodeName(fileName);
  if (path.isEmpty())
    return Fail(reason, "the name is empty");
  struct stat status {};
  if (::stat(path.constData(), &status) != 0) {
    if (errno != ENOENT)
      return Fail(reason, nativefile::Reason(errno));
    return Replace(path, nullptr, bytes, reason);
  }
  if (S_ISDIR(status.st_mode))
    return Fail(reason, nativefile::Reason(EISDIR));
  if (!S_ISREG(status.st_mode))
    return WriteInPlace(path, bytes, reason);
  // A read-only file was made so to be kept, even where the user could override it (as the
  // administrator can).
  if (!(status.st_mode & S_IWUSR) || ::access(path.constData(), W_OK) != 0)
    return Fail(reason, "the file is read-only");
  return Replace(path, &status, bytes, reason);
}

bool WriteAtomically(const QString& fileName, const QByteArray& bytes, QString* message) {
  QString reason;
  if (WriteFileBytes(fileName, bytes, &reason))
    return true;
  if (message)
    *message = QString("Cannot save \"%1\": %2.").arg(fileName, reason);
  return false;
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
