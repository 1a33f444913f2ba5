#ifndef CALORIVECTRIX_TESTS_GUI_READERS_H
#define CALORIVECTRIX_TESTS_GUI_READERS_H

// Independent readers of the files the program writes, from the system's packages (see
// tools/install-deps): what another program makes of them is the test.

#include <QProcess>
#include <QString>
#include <QStringList>

// Standard output of a program run to its end; empty with `ok` false when it cannot run.
inline QByteArray RunReader(const QString& program, const QStringList& arguments, bool& ok) {
  QProcess process;
  process.start(program, arguments);
  ok = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
       process.exitCode() == 0;
  return ok ? process.readAllStandardOutput() : QByteArray();
}

// The text unrtf reads from an RTF file: its output after the line of dashes that ends
// unrtf's own header.
inline QString UnrtfText(const QString& path, bool& ok) {
  const QString out = QString::fromUtf8(RunReader("unrtf", {"--text", path}, ok));
  const QString marker = "-----------------\n";
  const qsizetype at = out.indexOf(marker);
  if (at < 0) {
    ok = false;
    return out;
  }
  return out.mid(at + marker.size());
}

// The text poppler's pdftotext reads from a PDF, columns kept in place.
inline QString PdfText(const QString& path, bool& ok) {
  return QString::fromUtf8(RunReader("pdftotext", {"-layout", path, "-"}, ok));
}

#endif
