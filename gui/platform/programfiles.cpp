#include "gui/platform/programfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The build states where the data goes relative to the executable (GNU layout:
// "../share/calorivectrix").
#ifndef CALORIVECTRIX_DATA_FROM_BIN
#error "CALORIVECTRIX_DATA_FROM_BIN must name the data folder relative to the executable's"
#endif

QStringList ProgramDataFolders(const QString& programFolder) {
  if (programFolder.isEmpty())
    return {};
  const QDir program(programFolder);
  return {program.absolutePath(),
          QDir::cleanPath(program.absoluteFilePath(QStringLiteral(CALORIVECTRIX_DATA_FROM_BIN)))};
}

namespace {

QString RunningProgramFolder() {
  return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

}  // namespace

QString FindProgramFile(const QString& relative, const QString& programFolder) {
  for (const QString& folder : ProgramDataFolders(programFolder)) {
    const QFileInfo candidate(QDir(folder).filePath(relative));
    if (candidate.exists())
      return candidate.absoluteFilePath();
  }
  return {};
}

QString FindProgramFile(const QString& relative) {
  return FindProgramFile(relative, RunningProgramFolder());
}

QString FindHereOrProgramFile(const QString& relative, const QString& programFolder) {
  const QFileInfo here(relative);
  if (here.exists())
    return here.absoluteFilePath();
  return FindProgramFile(relative, programFolder);
}

QString FindHereOrProgramFile(const QString& relative) {
  return FindHereOrProgramFile(relative, RunningProgramFolder());
}
