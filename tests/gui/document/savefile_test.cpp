// Nothing the program writes may cost the student an old file: not a full disk, not a limit
// on file sizes, not a name that leads to a pipe, a device or the terminal.

#include "gui/document/savefile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <functional>
#include <vector>

#include "gui/dialogs/Outputs.h"
#include "gui/document/nativefile.h"
#include "gui/document/problemfile.h"
#include "gui/document/resultcsv.h"
#include "gui/platform/messages.h"
#include "gui/platform/rtfwriter.h"
#include "tests/gui/support.h"

namespace {

QByteArray Contents(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void Put(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

// Runs `body` in a child process and returns its exit status (128 + the signal if one ended
// it). With a limit, no file of the child may grow past `limit` bytes, and the signal that
// would end it is ignored: every write past the limit fails, as it does on a full disk.
int InChild(const std::function<int()>& body, rlim_t limit = RLIM_INFINITY) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit files { limit, limit };
    if (limit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &files) != 0)
      _exit(100);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ShownResults : public OutputsTarget {
 public:
  explicit ShownResults(const SimManager& results) : results(results) {}
  const SimManager* Results() const override { return &results; }
  const SimSnapshot* ShownSnapshot() const override { return &results.LastSnapshot(); }
  double TimeStep() const override { return 20; }
  const SimManager& results;
};

// Each kind of file, its old version on the disk, and a new one over a 1 KB file-size limit.
// The new ones are smaller than a writer's usual buffer: a writer that left the buffer to be
// emptied on closing, and renamed without looking, would leave a cut-off file in place of the
// old one and report success.
TEST(SaveFile, EveryKindOfFileKeepsItsOldVersionWhenTheDiskRefuses) {
  constexpr rlim_t limit = 1024;
  QTemporaryDir dir;
  SolvedDefault solved;
  const SimSnapshot& last = solved.manager->LastSnapshot();
  QImage noise(40, 40, QImage::Format_RGB32);
  QRandomGenerator random(20);
  for (int y = 0; y < noise.height(); ++y) {
    for (int x = 0; x < noise.width(); ++x)
      noise.setPixel(x, y, random.generate() & 0xFFFFFF);
  }
  QByteArray png;
  QBuffer buffer(&png);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && noise.save(&buffer, "PNG"));
  ShownResults shown(*solved.manager);
  TOutputsDlg report(shown);
  report.FormShow();

  const struct {
    QString name;
    QByteArray expected;  // what a successful write leaves
    std::function<bool(const QString&, QString*)> write;
  } kinds[] = {
      {"problem.cvx", problemfile::Serialize(solved.problem),
       [&](const QString& n, QString* m) { return problemfile::Save(solved.problem, n, m); }},
      {"results.csv", SnapshotCsv(*solved.problem.media, last),
       [&](const QString& n, QString* m) {
         return WriteAtomically(n, SnapshotCsv(*solved.problem.media, last), m);
       }},
      {"picture.png", png, [&](const QString& n, QString* m) { return SavePng(noise, n, m); }},
      {"report.rtf", PlainTextToRtf(report.Text(), RtfFont{"Courier New", 10}),
       [&](const QString& n, QString* m) {
         std::vector<messages::Shown> boxes;
         messages::SetAnswerer([&](const messages::Shown& box) {
           boxes.push_back(box);
           return QMessageBox::Ok;
         });
         const bool written = report.WriteTo(n);
         *m = boxes.empty() ? QString() : boxes.back().text;
         return written;
       }},
  };
  for (const auto& kind : kinds) {
    ASSERT_GT(kind.expected.size(), static_cast<qsizetype>(limit)) << kind.name.toStdString();
    ASSERT_LT(kind.expected.size(), 16 * 1024) << kind.name.toStdString();
    Put(dir.filePath(kind.name), "the old " + kind.name.toUtf8() + "\n");
  }

  const int status = InChild(
      [&] {
        int faults = 0;
        for (std::size_t k = 0; k < std::size(kinds); ++k) {
          QString message;
          if (kinds[k].write(dir.filePath(kinds[k].name), &message) ||
              !message.contains("the file would be larger than this system allows",
                                Qt::CaseInsensitive)) {
            faults |= 1 << k;
          }
        }
        return faults;
      },
      limit);
  EXPECT_EQ(status, 0) << "bit k set: kind k wrote, or did not say why it could not";
  for (const auto& kind : kinds)
    EXPECT_EQ(Contents(dir.filePath(kind.name)), "the old " + kind.name.toUtf8() + "\n");
  // No temporary file is left behind either.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
            static_cast<int>(std::size(kinds)));

  // Without the limit, the same writes go through.
  for (const auto& kind : kinds) {
    QString message;
    EXPECT_TRUE(kind.write(dir.filePath(kind.name), &message)) << message.toStdString();
    EXPECT_EQ(Contents(dir.filePath(kind.name)), kind.expected) << kind.name.toStdString();
  }
  messages::SetAnswerer(nullptr);
}

// A pipe, the terminal or a file the shell appends to: written where they are, in order
// after what is there, and never replaced by a file. A folder or a read-only file is
// refused and stays; a link stays a link to the file that now holds the new bytes.
TEST(SaveFile, WhatIsNotAnOrdinaryFileIsWrittenWhereItIsOrRefused) {
  QTemporaryDir dir;
  QString message;

  const QString pipe = dir.filePath("pipe");
  ASSERT_EQ(mkfifo(nativefile::EncodeName(pipe).constData(), 0600), 0);
  const int reader = ::open(nativefile::EncodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(WriteAtomically(pipe, "through the pipe\n", &message)) << message.toStdString();
  char received[64] = {};
  EXPECT_EQ(::read(reader, received, sizeof received), 17);
  EXPECT_STREQ(received, "through the pipe\n");
  ::close(reader);
  // Nobody reads it now: refused at once rather than waited on.
  EXPECT_FALSE(WriteAtomically(pipe, "lost\n", &message));
  EXPECT_TRUE(message.endsWith(": nothing is reading from it.")) << message.toStdString();
  struct stat status {};
  ASSERT_EQ(stat(nativefile::EncodeName(pipe).constData(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));

  // The shell sends the output to a log it appends to; the log keeps its earlier lines.
  const QString log = dir.filePath("log.txt");
  Put(log, "earlier\n");
  const int written = InChild([&] {
    const int fd = ::open(nativefile::EncodeName(log).constData(), O_WRONLY | O_APPEND);
    if (fd < 0 || dup2(fd, 1) < 0)
      return 1;
    int faults = 0;
    const char* const names[] = {"/dev/stdout", "-", "/dev/fd/1", "/proc/self/fd/1"};
    for (int k = 0; k < 4; ++k) {
      if (!WriteAtomically(names[k], QByteArray(names[k]) + "\n", nullptr))
        faults |= 2 << k;
    }
    return faults;
  });
  EXPECT_EQ(written, 0);
  EXPECT_EQ(Contents(log), "earlier\n/dev/stdout\n-\n/dev/fd/1\n/proc/self/fd/1\n");
  EXPECT_FALSE(WriteAtomically("/dev/fd/987654", "x", &message));
  EXPECT_TRUE(message.endsWith("the program has no such output open.")) << message.toStdString();

  EXPECT_FALSE(WriteAtomically(dir.path(), "x", &message));
  EXPECT_TRUE(message.endsWith(": it is a folder, not a file.")) << message.toStdString();
  EXPECT_TRUE(QFileInfo(dir.path()).isDir());

  const QString kept = dir.filePath("kept.cvx");
  Put(kept, "keep me");
  ASSERT_TRUE(QFile::setPermissions(kept, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
  EXPECT_FALSE(WriteAtomically(kept, "x", &message));
  EXPECT_TRUE(message.endsWith(": the file is read-only.")) << message.toStdString();
  EXPECT_EQ(Contents(kept), "keep me");

  const QString target = dir.filePath("target.csv");
  const QString link = dir.filePath("link.csv");
  Put(target, "old");
  ASSERT_TRUE(QFile::link(target, link));
  ASSERT_TRUE(QFile::setPermissions(
      target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
  EXPECT_TRUE(WriteAtomically(link, "new", &message)) << message.toStdString();
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(Contents(target), "new");
  ASSERT_EQ(stat(nativefile::EncodeName(target).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0604u) << "the file keeps who may read it";
}

// Every string of bytes a name can be comes back as the same bytes; a valid UTF-8 name
// decodes as UTF-8 does.
TEST(NativeFile, NamesKeepEveryByte) {
  QRandomGenerator random(7);
  for (int round = 0; round < 2000; ++round) {
    QByteArray bytes;
    const int length = 1 + static_cast<int>(random.bounded(12));
    for (int k = 0; k < length; ++k) {
      // Mostly the bytes where UTF-8's rules lie, some ASCII.
      const quint32 r = random.bounded(4);
      bytes.append(
          static_cast<char>(r == 0 ? 1 + random.bounded(127) : 0x80 + random.bounded(128)));
    }
    ASSERT_EQ(nativefile::EncodeName(nativefile::DecodeName(bytes)), bytes) << bytes.toHex().data();
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) {
      EXPECT_EQ(nativefile::DecodeName(bytes), text) << bytes.toHex().data();
    }
  }
  const QString samples[] = {"plain.cvx", "Wärme €.csv", "𝄞 emoji 🔥.png", "日本語"};
  for (const QString& name : samples) {
    EXPECT_EQ(nativefile::DecodeName(name.toUtf8()), name);
    EXPECT_EQ(nativefile::EncodeName(name), name.toUtf8());
  }
  // Overlong forms, encoded surrogates and cut-off sequences are bytes, not characters.
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"}) {
    const QString name = nativefile::DecodeName(bad);
    EXPECT_EQ(name.size(), static_cast<qsizetype>(std::strlen(bad))) << bad;
    EXPECT_EQ(nativefile::EncodeName(name), QByteArray(bad));
  }
}

}  // namespace
