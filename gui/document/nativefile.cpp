#include "gui/document/nativefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace nativefile {

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool Continuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `k`, with its code point; 0 when the byte there
// does not start one (a stray continuation byte, an overlong form, a surrogate, a value past
// U+10FFFF, or a sequence cut short).
int Sequence(const QByteArray& bytes, int k, char32_t& code) {
  const auto at = [&](int n) { return static_cast<unsigned char>(bytes[k + n]); };
  const unsigned char c = at(0);
  if (c < 0x80) {
    code = c;
    return 1;
  }
  int length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    low = c == 0xE0 ? 0xA0 : 0x80;
    high = c == 0xED ? 0x9F : 0xBF;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    low = c == 0xF0 ? 0x90 : 0x80;
    high = c == 0xF4 ? 0x8F : 0xBF;
  } else {
    return 0;
  }
  if (k + length > bytes.size() || at(1) < low || at(1) > high)
    return 0;
  for (int n = 2; n < length; ++n) {
    if (!Continuation(at(n)))
      return 0;
  }
  code = c & (0x7F >> length);
  for (int n = 1; n < length; ++n)
    code = (code << 6) | (at(n) & 0x3F);
  return length;
}

void AppendUtf8(QByteArray& out, char32_t code) {
  if (code < 0x80) {
    out.append(static_cast<char>(code));
  } else if (code < 0x800) {
    out.append(static_cast<char>(0xC0 | (code >> 6)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.append(static_cast<char>(0xE0 | (code >> 12)));
    out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.append(static_cast<char>(0xF0 | (code >> 18)));
    out.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

QString DecodeName(const QByteArray& bytes) {
  QString name;
  name.reserve(bytes.size());
  for (int k = 0; k < bytes.size();) {
    char32_t code = 0;
    const int length = Sequence(bytes, k, code);
    if (length == 0) {
      name.append(QChar(static_cast<char16_t>(escapeBase + static_cast<unsigned char>(bytes[k]))));
      k += 1;
      continue;
    }
    if (code >= 0x10000) {
      name.append(QChar(QChar::highSurrogate(code)));
      name.append(QChar(QChar::lowSurrogate(code)));
    } else {
      name.append(QChar(static_cast<char16_t>(code)));
    }
    k += length;
  }
  return name;
}

QByteArray EncodeName(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  for (int k = 0; k < name.size(); ++k) {
    const char16_t u = name[k].unicode();
    if (QChar::isHighSurrogate(u) && k + 1 < name.size() && name[k + 1].isLowSurrogate()) {
      AppendUtf8(bytes, QChar::surrogateToUcs4(u, name[k + 1].unicode()));
      k += 1;
    } else if (u >= escapeBase + 0x80 && u <= escapeBase + 0xFF) {
      bytes.append(static_cast<char>(u - escapeBase));
    } else {
      // Any other lone surrogate cannot come from a name on disk; it is written as the
      // replacement character, as Qt would.
      AppendUtf8(bytes, QChar::isSurrogate(u) ? char32_t{0xFFFD} : char32_t{u});
    }
  }
  return bytes;
}

QString Reason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return "the disk is full";
    case EFBIG:
      return "the file would be larger than this system allows";
    case EACCES:
    case EPERM:
      return "you do not have permission";
    case EROFS:
      return "the disk is read-only";
    case ENOENT:
      return "there is no such file or folder";
    case ENOTDIR:
      return "a part of the path is not a folder";
    case EISDIR:
      return "it is a folder, not a file";
    case ENAMETOOLONG:
      return "the name is too long";
    case EIO:
      return "the disk reported an error";
    case ENXIO:
      return "nothing is reading from it";
    case EPIPE:
      return "the program reading it has stopped";
    case EBADF:
      return "it is not open";
    case ELOOP:
      return "its links lead round in a circle";
    default: {
      QString text = QString::fromLocal8Bit(std::strerror(error));
      if (!text.isEmpty())
        text[0] = text[0].toLower();
      return text.isEmpty() ? QString("error %1").arg(error) : text;
    }
  }
}

bool OpenForReading(QFile& file, const QString& name, QString* reason) {
  const auto fail = [reason](const QString& why) {
    if (reason)
      *reason = why;
    return false;
  };
  // A name of Qt's resource system is no file of the system's.
  if (name.startsWith(':')) {
    file.setFileName(name);
    return file.open(QIODevice::ReadOnly) ? true : fail("there is no such file or folder");
  }
  // Without waiting: a named pipe with no writer would otherwise hold the program here.
  const int fd = ::open(EncodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return fail(Reason(errno));
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    const int error = errno;
    ::close(fd);
    if (S_ISDIR(status.st_mode))
      return fail(Reason(EISDIR));
    if (status.st_mode != 0)
      return fail("it is not an ordinary file (a device, a pipe or a socket)");
    return fail(Reason(error));
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return fail(file.errorString());
  }
  return true;
}

}  // namespace nativefile
