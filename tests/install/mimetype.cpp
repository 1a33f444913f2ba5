// Prints the MIME type the desktop's database gives each file named on the command line, as
// "by-name-and-content by-content-alone path", one line a file. The install test points it at
// an installed prefix through XDG_DATA_DIRS.

#include <QCoreApplication>
#include <QFile>
#include <QMimeDatabase>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QMimeDatabase types;
  int status = 0;
  for (const QString& path : QCoreApplication::arguments().mid(1)) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
      status = 1;
      continue;
    }
    std::printf("%s %s %s\n", qPrintable(types.mimeTypeForFile(path).name()),
                qPrintable(types.mimeTypeForData(&file).name()), qPrintable(path));
  }
  return status;
}
