// Nothing the program writes may cost the student an old file: not a full disk, not a limit
// on file sizes, not a name that leads to a pipe, a device or the terminal.

#include "gui/document/savefile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <functional>
#include <utility>

#include "gui/dialogs/Outputs.h"
#include "gui/document/nativefile.h"
#include "gui/document/problemfile.h"
#include "gui/document/resultcsv.h"
#include "gui/platform/messages.h"
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
  const SimManager& results;
};

// Each kind of file, its old version on the disk, and a new one over a 1 KB file-size limit.
// The new ones are smaller than a writer's usual buffer: a writer that left the buffer to be
// emptied on closing, and renamed without looking, would leave a cut-off file in place of the
// old one and report success.
TEST(SaveFile, EveryKindOfFileKeepsItsOldVersionWhenTheDiskRefuses) {
  QTemporaryDir dir;
  SolvedDefault solved;
  QImage noise(40, 40, QImage::Format_RGB32);
  QRandomGenerator random(20);
  for (int k = 0; k < 1600; ++k)
    noise.setPixel(k % 40, k / 40, random.generate() & 0xFFFFFF);
  ShownResults shown(*solved.manager);
  TOutputsDlg report(shown);
  report.FormShow();
  QString message;
  messages::SetAnswerer([&](const messages::Shown& box) {
    message = box.text;
    return QMessageBox::Ok;
  });
  const std::pair<QString, std::function<bool(const QString&)>> kinds[] = {
      {"problem.cvx",
       [&](const QString& n) { return problemfile::Save(solved.problem, n, &message); }},
      {"results.csv",
       [&](const QString& n) {
         const QByteArray csv = SnapshotCsv(*solved.problem.media, solved.manager->LastSnapshot());
         return WriteAtomically(n, csv, &message);
       }},
      {"picture.png", [&](const QString& n) { return SavePng(noise, n, &message); }},
      {"report.rtf", [&](const QString& n) { return report.WriteTo(n); }},
  };
  for (const auto& [name, write] : kinds)
    Put(dir.filePath(name), "the old " + name.toUtf8());

  const int status = InChild(
      [&] {
        int faults = 0;
        for (std::size_t k = 0; k < std::size(kinds); ++k) {
          message.clear();
          if (kinds[k].second(dir.filePath(kinds[k].first)) ||
              !message.contains("the file would be larger than this system allows",
                                Qt::CaseInsensitive)) {
            faults |= 1 << k;
          }
        }
        return faults;
      },
      1024);
  EXPECT_EQ(status, 0) << "bit k set: kind k wrote, or did not say why it could not";
  for (const auto& [name, write] : kinds) {
    EXPECT_EQ(Contents(dir.filePath(name)), "the old " + name.toUtf8());
    // Each is larger than the limit and smaller than a buffer, so the test means something.
    ASSERT_TRUE(write(dir.filePath(name))) << message.toStdString();
    EXPECT_GT(QFileInfo(dir.filePath(name)).size(), 1024) << name.toStdString();
    EXPECT_LT(QFileInfo(dir.filePath(name)).size(), 16 * 1024) << name.toStdString();
  }
  // No temporary file is left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
  messages::SetAnswerer(nullptr);
}

// A pipe, or the terminal and a file the shell appends to: written where they are, after what
// is there, and never replaced by a file. A folder is refused; a link stays a link to the
// file that now holds the new bytes, with its permissions.
TEST(SaveFile, WhatIsNotAnOrdinaryFileIsWrittenWhereItIsOrRefused) {
  QTemporaryDir dir;
  QString message;
  const QString pipe = dir.filePath("pipe");
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const int reader = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
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
  ASSERT_EQ(stat(QFile::encodeName(pipe).constData(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));

  const QString log = dir.filePath("log.txt");
  Put(log, "earlier\n");
  const int written = InChild([&] {
    const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_APPEND);
    int faults = fd < 0 || dup2(fd, 1) < 0 ? 1 : 0;
    for (const char* name : {"/dev/stdout", "-", "/proc/self/fd/1"})
      faults |= WriteAtomically(name, QByteArray(name) + "\n", nullptr) ? 0 : 2;
    return faults;
  });
  EXPECT_EQ(written, 0);
  EXPECT_EQ(Contents(log), "earlier\n/dev/stdout\n-\n/proc/self/fd/1\n");

  EXPECT_FALSE(WriteAtomically(dir.path(), "x", &message));
  EXPECT_TRUE(message.endsWith(": it is a folder, not a file.")) << message.toStdString();

  const QString target = dir.filePath("target.csv");
  const QString link = dir.filePath("link.csv");
  Put(target, "old");
  ASSERT_TRUE(QFile::link(target, link));
  ASSERT_EQ(chmod(QFile::encodeName(target).constData(), 0604), 0);
  EXPECT_TRUE(WriteAtomically(link, "new", &message)) << message.toStdString();
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(Contents(target), "new");
  ASSERT_EQ(stat(QFile::encodeName(target).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0604u) << "the file keeps who may read it";
}

// Every string of bytes a name can be comes back as the same bytes; valid UTF-8 decodes as
// UTF-8, and each byte that is not part of it becomes one character of its own.
TEST(NativeFile, NamesKeepEveryByte) {
  QRandomGenerator random(7);
  for (int round = 0; round < 2000; ++round) {
    QByteArray bytes;
    for (int k = 1 + random.bounded(12); k > 0; --k) {
      // Mostly bytes of UTF-8's multi-byte rules, some ASCII.
      bytes.append(static_cast<char>(random.bounded(4) == 0 ? 1 + random.bounded(127)
                                                            : 0x80 + random.bounded(128)));
    }
    const QString name = nativefile::DecodeName(bytes);
    ASSERT_EQ(nativefile::EncodeName(name), bytes) << bytes.toHex().data();
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) {
      EXPECT_EQ(name, text) << bytes.toHex().data();
    }
  }
  EXPECT_EQ(nativefile::DecodeName("W\xc3\xa4rme \xf0\x9f\x94\xa5"), QString("Wärme 🔥"));
  // An overlong form, an encoded surrogate, a cut-off sequence, past U+10FFFF.
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"})
    EXPECT_EQ(nativefile::DecodeName(bad).size(), static_cast<qsizetype>(std::strlen(bad)));
}

}  // namespace
